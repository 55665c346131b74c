#pragma once
// The agent's event loop: one I/O context run by the agent thread plus
// worker threads added while sessions hold blocking SDK objects.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <asio.hpp>

namespace nolt {

// Thrown by a task to make the worker running it leave the pool.
struct RemoveThreadException {};

class EventLoop {
public:
    static EventLoop& instance();

    void post(std::function<void()> task);

    // Starts n more worker threads.
    void addThreads(std::size_t count);

    // Asks one added worker to leave. Without an added worker that is not
    // already leaving, the request is dropped.
    void removeThread();

    // Runs the loop on the calling thread until stop(); joins the added workers afterwards.
    void run();

    // Makes run() return; also before run() has started, in which case it returns at once.
    void stop();

    // Allows run() again after a stop (for a new agent in the same process).
    void reset();

    std::size_t addedThreads() const;

    asio::io_context& context() { return context_; }

private:
    EventLoop();
    void workerLoop();
    // Runs tasks until the loop is stopped; throws what a task throws.
    void runTasks();
    void removalTask();
    void joinFinished(std::thread::id id);
    bool isAddedThread() const;

    asio::io_context context_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    mutable std::mutex poolMutex_;
    std::map<std::thread::id, std::thread> added_;
    std::size_t pendingRemovals_ = 0;
    // Workers that left their loop but are not joined yet.
    std::size_t leaving_ = 0;
};

}  // namespace nolt
