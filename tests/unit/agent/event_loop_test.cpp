#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "agent/event_loop.h"
#include "agent/serial_queue.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;
using nolt::EventLoop;
using testsupport::waitFor;

namespace {

// Runs the process-wide loop on a thread of its own for one test.
class EventLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The worker kept free leaves after an idle period.
        loop.setIdlePeriod(50ms);
        loop.reset();
        runner = std::thread([this] { loop.run(); });
    }
    void TearDown() override {
        loop.stop();
        runner.join();
        EXPECT_EQ(loop.addedThreads(), 0u);
        loop.setIdlePeriod(EventLoop::kDefaultIdlePeriod);
    }
    std::thread::id runOnLoop() {
        std::promise<std::thread::id> id;
        loop.post([&] { id.set_value(std::this_thread::get_id()); });
        return id.get_future().get();
    }

    EventLoop& loop = EventLoop::instance();
    std::thread runner;
};

TEST_F(EventLoopTest, TasksThatThrowDoNotStopTheWorker) {
    // Only the runner may take the tasks, so that it is the one that survives them.
    const auto burst = loop.burstLimit();
    loop.setBurstLimit(0);
    testing::internal::CaptureStderr();
    loop.post([] { throw std::runtime_error("task failed"); });
    loop.post([] { throw 42; });
    EXPECT_EQ(runOnLoop(), runner.get_id());
    auto errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("task failed"), std::string::npos);
    EXPECT_NE(errors.find("Caught unknown exception during event-loop callback (thread-id: "), std::string::npos);
    loop.setBurstLimit(burst);
}

TEST_F(EventLoopTest, AddedWorkerKeepsCallsFlowingWhileOneBlocks) {
    loop.addThreads(1);
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> blocking{false};
    std::atomic<bool> finished{false};
    // The future by value, and the test waits for the task to end: it must
    // not return while the worker still reads the test's locals.
    loop.post([released, &blocking, &finished] {
        blocking = true;
        released.wait_for(10s);
        finished = true;
    });
    ASSERT_TRUE(waitFor([&] { return blocking.load(); }, 5s));
    runOnLoop();  // answered by the other thread
    release.set_value();
    ASSERT_TRUE(waitFor([&] { return finished.load(); }, 5s));
    loop.removeThread();
    EXPECT_TRUE(waitFor([&] { return loop.addedThreads() == 0; }, 5s));
}

TEST_F(EventLoopTest, RemovingWithoutAddedWorkerIsDropped) {
    loop.removeThread();
    loop.removeThread();
    runOnLoop();
    loop.addThreads(2);
    loop.removeThread();
    loop.removeThread();
    loop.removeThread();  // one more than added: nothing to remove
    EXPECT_TRUE(waitFor([&] { return loop.addedThreads() == 0; }, 5s));
    runOnLoop();
}

// Tasks that block until released, as calls stuck in a slow controller.
class Blockers {
public:
    explicit Blockers(EventLoop& loop) : loop_(loop), released_(release_.get_future().share()) {}
    // The tasks use this object: it goes when they are done.
    ~Blockers() {
        releaseAll();
        EXPECT_TRUE(waitFor([&] { return finished == posted_; }, 20s));
    }
    void post(int count) {
        posted_ += count;
        for (int i = 0; i < count; ++i) {
            loop_.post([this] {
                ++blocked;
                released_.wait_for(20s);
                --blocked;
                ++finished;
            });
        }
    }
    void releaseAll() {
        if (!done_) release_.set_value();
        done_ = true;
    }
    std::atomic<int> blocked{0}, finished{0};

private:
    int posted_ = 0;
    EventLoop& loop_;
    std::promise<void> release_;
    std::shared_future<void> released_;
    bool done_ = false;
};

TEST_F(EventLoopTest, AQueuedTaskGetsAWorkerAtOnceWithinTheBurstLimit) {
    loop.setIdlePeriod(50ms);
    struct Case {
        std::size_t burstLimit;
        int blocking;
        bool answeredWhileBlocked;
    };
    for (const Case& c : {Case{256, 6, true}, Case{2, 6, false}, Case{0, 1, false}}) {
        SCOPED_TRACE(c.burstLimit);
        loop.setBurstLimit(c.burstLimit);
        Blockers blockers(loop);
        blockers.post(c.blocking);
        std::atomic<bool> ran{false};
        loop.post([&] { ran = true; });
        // Workers start as tasks are posted, never beyond the limit.
        EXPECT_LE(loop.addedThreads(), c.burstLimit);
        if (c.answeredWhileBlocked) {
            EXPECT_TRUE(waitFor([&] { return ran.load(); }, 5s)) << "answered while the others block";
            EXPECT_TRUE(waitFor([&] { return blockers.blocked == c.blocking; }, 5s));
        } else {
            EXPECT_EQ(loop.addedThreads(), c.burstLimit);
        }
        blockers.releaseAll();
        EXPECT_TRUE(waitFor([&] { return ran.load(); }, 5s));
        EXPECT_TRUE(waitFor([&] { return loop.addedThreads() == 0; }, 5s)) << "idle on-demand workers leave";
    }
    loop.setBurstLimit(EventLoop::kDefaultBurstLimit);
    loop.setIdlePeriod(EventLoop::kDefaultIdlePeriod);
}

TEST_F(EventLoopTest, WorkersOwedToSessionsStayWhenIdleOnDemandOnesLeave) {
    loop.setIdlePeriod(20ms);
    loop.addThreads(1);
    {
        Blockers blockers(loop);
        blockers.post(4);
        ASSERT_TRUE(waitFor([&] { return blockers.blocked == 4; }, 5s));
        EXPECT_EQ(loop.addedThreads(), 4u) << "three beside the runner, and one kept free";
    }
    // Small tasks, several per idle period, keep no surplus worker.
    EXPECT_TRUE(waitFor(
        [&] {
            runOnLoop();
            return loop.addedThreads() == 1;
        },
        5s));
    runOnLoop();
    // Another worker may start for a moment beside a task still ending.
    EXPECT_TRUE(waitFor([&] { return loop.addedThreads() == 1; }, 5s)) << "the session's worker is no surplus";
    loop.removeThread();
    EXPECT_TRUE(waitFor([&] { return loop.addedThreads() == 0; }, 5s));
    loop.setIdlePeriod(EventLoop::kDefaultIdlePeriod);
}

// A flood of calls behind one that blocks: they wait without threads, in
// order, and those whose wait limit passes run beside the queue, told how
// long they waited; the ones after the blocked call still run in order.
TEST_F(EventLoopTest, SerialQueueRunsInOrderAndLetsLateTasksRunBesideIt) {
    std::atomic<nolt::SteadyDuration::rep> limit{nolt::SteadyDuration(50ms).count()};
    auto queue = nolt::SerialQueue::create([&] { return nolt::SteadyDuration(limit.load()); });
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> blocking{false};
    queue->post([released, &blocking] {
        blocking = true;
        released.wait();
    });
    ASSERT_TRUE(waitFor([&] { return blocking.load(); }, 5s));
    constexpr int kFlood = 300;
    std::atomic<int> late{0}, onTime{0}, shortWaits{0}, stillShared{0};
    for (int i = 0; i < kFlood; ++i) {
        // What a task and its late twin share (a large request) is the running one's alone.
        auto shared = std::make_shared<int>(i);
        queue->post([&, shared] { ++onTime; },
                    [&, shared] {
                        ++late;
                        if (nolt::queuedTime() < 50ms) ++shortWaits;
                        if (shared.use_count() != 1) ++stillShared;
                    });
    }
    EXPECT_LE(loop.addedThreads(), 8u) << "waiting calls hold no worker";
    ASSERT_TRUE(waitFor([&] { return late == kFlood; }, 10s));
    EXPECT_EQ(shortWaits, 0);
    EXPECT_EQ(stillShared, 0);
    EXPECT_EQ(onTime, 0);
    EXPECT_EQ(queue->waiting(), 0u);
    // Behind a call that ends in time, the next ones run in order, one at a time.
    limit = nolt::SteadyDuration(1h).count();
    std::vector<int> order;
    std::atomic<int> inside{0}, overlaps{0}, done{0};
    for (int i = 0; i < 50; ++i) {
        auto shared = std::make_shared<int>(i);
        queue->post(
            [&, i, shared] {
                if (++inside > 1) ++overlaps;
                if (shared.use_count() != 1) ++stillShared;
                order.push_back(i);
                --inside;
                ++done;
            },
            [shared] {});
    }
    release.set_value();
    ASSERT_TRUE(waitFor([&] { return done == 50; }, 5s));
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(stillShared, 0);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(nolt::queuedTime(), nolt::SteadyDuration{}) << "only inside a queued task";
}

TEST(EventLoop, StopBeforeRunReturnsAtOnce) {
    auto& loop = EventLoop::instance();
    loop.reset();
    loop.stop();
    loop.run();
    loop.reset();
}

}  // namespace
