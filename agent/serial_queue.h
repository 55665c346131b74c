#pragma once
// The calls of one instance, run one at a time and in order on the event
// loop's shared workers. A call waiting for its turn holds no thread: only the
// one running does. A call whose turn has not come within the queue's wait
// limit runs at once beside the queue instead, with the time it waited
// recorded (queuedTime()), so that the locks it meets give up without waiting
// and it answers as a call that found its instance busy always has.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

#include "agent/strand.h"

namespace nolt {

// How long the task running on this thread waited in its queue; zero outside one.
SteadyDuration queuedTime();

struct QueuedTask {
    std::function<void()> task;
    std::function<void()> late;
    std::chrono::steady_clock::time_point arrival = std::chrono::steady_clock::now();
};

class SerialQueue : public Strand<QueuedTask> {
public:
    using Task = std::function<void()>;
    using WaitLimit = std::function<SteadyDuration()>;

    static std::shared_ptr<SerialQueue> create(WaitLimit waitLimit);

    // Runs `task` after every task posted before it. When the wait limit
    // passes before its turn, `late` runs instead, beside the queue; without
    // `late` the task is dropped then.
    void post(Task task, Task late = nullptr);

private:
    explicit SerialQueue(WaitLimit waitLimit) : Strand(Overflow{std::move(waitLimit)}, 1) {}
    void handle(QueuedTask& item) override;
    void expired(QueuedTask& item) override;
};

// Instances whose calls go through a queue of their own.
class QueuedCalls {
public:
    virtual ~QueuedCalls() = default;
    virtual std::shared_ptr<SerialQueue> callQueue() = 0;
};

}  // namespace nolt
