#include "agent/serial_queue.h"

#include <utility>

namespace nolt {

namespace {
thread_local SteadyDuration currentQueuedTime{};

// Marks the thread as running a task that waited `queued`.
class QueuedFor {
public:
    explicit QueuedFor(const QueuedTask& item)
        : previous_(std::exchange(currentQueuedTime, std::chrono::steady_clock::now() - item.arrival)) {}
    ~QueuedFor() { currentQueuedTime = previous_; }
    QueuedFor(const QueuedFor&) = delete;
    QueuedFor& operator=(const QueuedFor&) = delete;

private:
    SteadyDuration previous_;
};
}  // namespace

SteadyDuration queuedTime() { return currentQueuedTime; }

std::shared_ptr<SerialQueue> SerialQueue::create(WaitLimit waitLimit) {
    return std::shared_ptr<SerialQueue>(new SerialQueue(std::move(waitLimit)));
}

void SerialQueue::post(Task task, Task late) { Strand::post(QueuedTask{std::move(task), std::move(late)}); }

void SerialQueue::handle(QueuedTask& item) {
    // What the two share, such as a large request, is freed as soon as the one that runs lets go of it.
    item.late = nullptr;
    const QueuedFor queued(item);
    item.task();
}

void SerialQueue::expired(QueuedTask& item) {
    item.task = nullptr;
    if (!item.late) return;
    const QueuedFor queued(item);
    item.late();
}

}  // namespace nolt
