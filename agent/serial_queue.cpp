#include "agent/serial_queue.h"


#include <asio.hpp>

#include "agent/event_loop.h"
#include "platform/log.h"

namespace nolt {

namespace {
thread_local SteadyDuration currentQueuedTime{};
thread_local const SerialQueue* currentQueue = nullptr;

// Marks the thread as running a task of `queue` that waited `queued`.
class RunningTask {
public:
    RunningTask(const SerialQueue* queue, SteadyDuration queued)
        : previousQueue_(currentQueue), previousTime_(currentQueuedTime) {
        currentQueue = queue;
        currentQueuedTime = queued;
    }
    ~RunningTask() {
        currentQueue = previousQueue_;
        currentQueuedTime = previousTime_;
    }
    RunningTask(const RunningTask&) = delete;
    RunningTask& operator=(const RunningTask&) = delete;

private:
    const SerialQueue* previousQueue_;
    SteadyDuration previousTime_;
};

// A task that throws must not stop the queue behind it.
void runGuarded(const SerialQueue::Task& task) {
    try {
        task();
    } catch (const std::exception& e) {
        platform::logError("Queued task failed: " + std::string(e.what()));
    } catch (...) {
        platform::logError("Queued task failed");
    }
}
}  // namespace

SteadyDuration queuedTime() { return currentQueuedTime; }

struct SerialQueue::Entry {
    std::uint64_t number = 0;
    Task task;
    Task late;
    std::chrono::steady_clock::time_point arrival = std::chrono::steady_clock::now();
    std::unique_ptr<asio::steady_timer> timer;
};

std::shared_ptr<SerialQueue> SerialQueue::create(WaitLimit waitLimit) {
    return std::shared_ptr<SerialQueue>(new SerialQueue(std::move(waitLimit)));
}

void SerialQueue::post(Task task, Task late) {
    auto entry = std::make_shared<Entry>();
    entry->task = std::move(task);
    entry->late = std::move(late);
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        entry->number = ++posted_;
        if (!running_) {
            running_ = true;
            start = true;
        } else {
            // Only a task that has to wait gets a timer.
            entry->timer = std::make_unique<asio::steady_timer>(EventLoop::instance().context(), waitLimit_());
            entry->timer->async_wait([weak = weak_from_this(), number = entry->number](const asio::error_code& error) {
                if (error) return;
                if (auto queue = weak.lock()) EventLoop::instance().runCounted([&] { queue->expire(number); });
            });
        }
        entries_.push_back(std::move(entry));
    }
    if (start) EventLoop::instance().post([self = shared_from_this()] { self->runNext(); });
}

void SerialQueue::runNext() {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (entries_.empty()) {
            running_ = false;
            return;
        }
        entry = std::move(entries_.front());
        entries_.pop_front();
        if (entry->timer) entry->timer->cancel();
    }
    // What the two share, such as a large request, is freed as soon as the one that runs lets go of it.
    entry->late = nullptr;
    {
        const RunningTask running(this, std::chrono::steady_clock::now() - entry->arrival);
        runGuarded(entry->task);
    }
    entry.reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (entries_.empty()) {
            running_ = false;
            return;
        }
    }
    // Posted, not looped: the queues of other instances get their turns between.
    EventLoop::instance().post([self = shared_from_this()] { self->runNext(); });
}

void SerialQueue::expire(std::uint64_t number) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if ((*it)->number != number) continue;
            entry = std::move(*it);
            entries_.erase(it);
            break;
        }
    }
    if (!entry || !entry->late) return;
    entry->task = nullptr;
    // Run here, on the timer's worker: posted, a thousand calls expiring at
    // once would start as many workers.
    const RunningTask running(nullptr, std::chrono::steady_clock::now() - entry->arrival);
    runGuarded(entry->late);
}

std::size_t SerialQueue::waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

bool SerialQueue::runningHere() const { return currentQueue == this; }

}  // namespace nolt
