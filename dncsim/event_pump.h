#pragma once
// The simulator's event thread: SDK events reach the sinks here, in the order
// in which they were raised, never on the thread of an SDK call.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace dncsim {

class EventPump {
public:
    EventPump() = default;
    ~EventPump();  // stops the thread; events not yet delivered are dropped
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

    // Queues a task for the event thread (started on first use).
    void post(std::function<void()> task);
    // Waits until every task posted before this call has run; false when
    // `bound` passed first. Called on the event thread itself it returns false.
    bool drain(std::chrono::milliseconds bound);
    void stop();
    // For a process that is ending with the thread already gone (Windows ends
    // every other thread before a DLL's statics are destroyed): nothing is
    // joined, locked or released any more, or the exit would wait forever.
    void abandon();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    std::uint64_t posted_ = 0;
    std::uint64_t done_ = 0;
    bool stopping_ = false;
    bool abandoned_ = false;
    std::thread thread_;
};

// True on an event thread of the simulator.
bool onEventThread();

}  // namespace dncsim
