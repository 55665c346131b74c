#include "agent/reconnector.h"

#include <utility>

namespace nolt {

Reconnector::Reconnector(std::chrono::milliseconds pause, std::function<void()> attempt)
    : pause_(pause), attempt_(std::move(attempt)), thread_([this] { loop(); }) {}

Reconnector::~Reconnector() { stop(); }

void Reconnector::request() {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = true;
    changed_.notify_all();
}

void Reconnector::requestNow() {
    std::lock_guard<std::mutex> lock(mutex_);
    requested_ = true;
    now_ = true;
    changed_.notify_all();
}

void Reconnector::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Reconnector::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return stopped_ || requested_; });
        if (stopped_) return;
        if (!std::exchange(now_, false) && changed_.wait_for(lock, pause_, [&] { return stopped_; })) return;
        if (stopped_) return;
        requested_ = false;
        lock.unlock();
        attempt_();
        lock.lock();
    }
}

}  // namespace nolt
