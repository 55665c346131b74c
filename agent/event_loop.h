#pragma once
// The agent's event loop: one I/O context run by the agent thread, and
// workers started on demand so that a task never waits in the queue while
// another blocks, with one worker kept free for timers.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <asio.hpp>

namespace nolt {

class EventLoop {
public:
    static constexpr std::size_t kDefaultBurstLimit = 256;
    static constexpr std::chrono::milliseconds kDefaultIdlePeriod{10000};

    static EventLoop& instance();

    // Queues the task; while the loop runs and no worker is free for it, a
    // worker is started at once (within the burst limit).
    void post(std::function<void()> task);

    // Runs work on the calling worker (a timer's handler) counted as a task,
    // so that the pool keeps a worker free beside it.
    void runCounted(const std::function<void()>& work);

    // Starts n more worker threads that stay until removeThread().
    void addThreads(std::size_t count);

    // Gives back one worker of addThreads(). Without one, the request is dropped.
    void removeThread();

    // Runs the loop on the calling thread until stop(); joins the added workers afterwards.
    void run();

    // Makes run() return; also before run() has started, in which case it returns at once.
    void stop();

    // Allows run() again after a stop (for a new agent in the same process).
    void reset();

    // Worker threads besides the one in run(): those of addThreads() and those started on demand.
    std::size_t addedThreads() const;

    // How many workers may run on demand beyond those of addThreads(), and
    // how long one of them stays without a task.
    void setBurstLimit(std::size_t limit);
    std::size_t burstLimit() const;
    void setIdlePeriod(std::chrono::milliseconds period);

    asio::io_context& context() { return context_; }

private:
    EventLoop();
    void workerLoop();
    // Runs tasks until the loop is stopped, or the worker may leave because it
    // has been idle or was asked to; throws what a task throws.
    void runTasks();
    // After a task: true when this worker picked up a removal request and
    // leaves as a surplus.
    bool leaveOnRequest();
    void startWorkerLocked();
    void growIfNeeded();
    // Leaves the pool when this is an added worker beyond those owed to
    // addThreads() and no task waits; true when it left.
    bool leaveIfSurplus();
    void removalTask();
    void joinFinished(std::thread::id id, std::uint64_t run);
    bool isAddedThread() const;
    std::size_t aliveLocked() const { return added_.size() - leaving_; }

    asio::io_context context_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    mutable std::mutex poolMutex_;
    std::map<std::thread::id, std::thread> added_;
    // Workers that left their loop but are not joined yet.
    std::size_t leaving_ = 0;
    // Workers owed to addThreads() callers; the rest of the added ones are on demand.
    std::size_t reserved_ = 0;
    // Threads inside the loop, the one in run() included.
    std::size_t workers_ = 0;
    bool running_ = false;
    // Ends of run() so far.
    std::uint64_t runs_ = 0;
    std::size_t burstLimit_ = kDefaultBurstLimit;
    std::atomic<std::int64_t> idlePeriodMs_{kDefaultIdlePeriod.count()};
    // When the pool last had at most one worker free (steady clock, ms).
    std::atomic<std::int64_t> lastNeededMs_{0};
    // Posted tasks not started yet, and tasks being run.
    std::atomic<std::size_t> queued_{0};
    std::atomic<std::size_t> busy_{0};
    // Workers staying awake for the next task after one.
    std::atomic<int> spinning_{0};
};

}  // namespace nolt
