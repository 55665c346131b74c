#pragma once
// The calls of one instance, run one at a time and in order on the event
// loop's shared workers. A call waiting for its turn holds no thread: only the
// one running does. A call whose turn has not come within the queue's wait
// limit runs at once beside the queue instead, with the time it waited
// recorded (queuedTime()), so that the locks it meets give up without waiting
// and it answers as a call that found its instance busy always has.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace nolt {

using SteadyDuration = std::chrono::steady_clock::duration;

// How long the task running on this thread waited in its queue; zero outside one.
SteadyDuration queuedTime();

class SerialQueue : public std::enable_shared_from_this<SerialQueue> {
public:
    using Task = std::function<void()>;
    using WaitLimit = std::function<SteadyDuration()>;

    static std::shared_ptr<SerialQueue> create(WaitLimit waitLimit);
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    // Runs `task` after every task posted before it. When the wait limit
    // passes before its turn, `late` runs instead, beside the queue; without
    // `late` the task is dropped then.
    void post(Task task, Task late = nullptr);

    // Tasks waiting for their turn, the running one not counted.
    std::size_t waiting() const;

    // Whether a task of this queue runs on the calling thread.
    bool runningHere() const;

private:
    explicit SerialQueue(WaitLimit waitLimit) : waitLimit_(std::move(waitLimit)) {}
    struct Entry;
    void runNext();
    void expire(std::uint64_t number);

    const WaitLimit waitLimit_;
    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<Entry>> entries_;
    std::uint64_t posted_ = 0;
    bool running_ = false;
};

// Instances whose calls go through a queue of their own.
class QueuedCalls {
public:
    virtual ~QueuedCalls() = default;
    virtual std::shared_ptr<SerialQueue> callQueue() = 0;
};

}  // namespace nolt
