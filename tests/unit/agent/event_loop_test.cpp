#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "agent/event_loop.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;
using nolt::EventLoop;
using testsupport::waitFor;

namespace {

// Runs the process-wide loop on a thread of its own for one test.
class EventLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        loop.reset();
        runner = std::thread([this] { loop.run(); });
    }
    void TearDown() override {
        loop.stop();
        runner.join();
        EXPECT_EQ(loop.addedThreads(), 0u);
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
    testing::internal::CaptureStderr();
    loop.post([] { throw std::runtime_error("task failed"); });
    loop.post([] { throw 42; });
    EXPECT_EQ(runOnLoop(), runner.get_id());
    auto errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("task failed"), std::string::npos);
    EXPECT_NE(errors.find("Caught unknown exception during event-loop callback (thread-id: "), std::string::npos);
}

TEST_F(EventLoopTest, AddedWorkerKeepsCallsFlowingWhileOneBlocks) {
    loop.addThreads(1);
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> blocking{false};
    loop.post([&] {
        blocking = true;
        released.wait_for(10s);
    });
    ASSERT_TRUE(waitFor([&] { return blocking.load(); }, 5s));
    runOnLoop();  // answered by the other thread
    release.set_value();
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

TEST(EventLoop, StopBeforeRunReturnsAtOnce) {
    auto& loop = EventLoop::instance();
    loop.reset();
    loop.stop();
    loop.run();
    loop.reset();
}

}  // namespace
