#include "dncsim/event_pump.h"

#include <exception>

namespace dncsim {
namespace {
thread_local bool isEventThread = false;
}  // namespace

bool onEventThread() { return isEventThread; }

EventPump::~EventPump() { stop(); }

void EventPump::post(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    tasks_.push_back(std::move(task));
    ++posted_;
    changed_.notify_all();
}

bool EventPump::drain(std::chrono::milliseconds bound) {
    if (onEventThread()) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    const auto target = posted_;
    return changed_.wait_for(lock, bound, [&] { return done_ >= target || stopping_; }) && done_ >= target;
}

void EventPump::stop() {
    if (abandoned_) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        tasks_.clear();
        changed_.notify_all();
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void EventPump::abandon() {
    abandoned_ = true;
    if (thread_.joinable()) thread_.detach();
}

void EventPump::run() {
    isEventThread = true;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
        if (stopping_) return;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        // A sink that throws must not end event delivery for everybody else.
        try {
            task();
        } catch (...) {
        }
        task = nullptr;
        lock.lock();
        ++done_;
        changed_.notify_all();
    }
}

}  // namespace dncsim
