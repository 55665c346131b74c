#include "agent/reconnector.h"

namespace nolt {

Reconnector::Reconnector(std::chrono::milliseconds pause, std::function<void()> attempt)
    : pause_(pause), attempt_(std::move(attempt)), requestedPause_(pause), thread_([this] { loop(); }) {}

Reconnector::~Reconnector() { stop(); }

void Reconnector::request() { requestAfter(pause_); }

void Reconnector::requestAfter(std::chrono::milliseconds pause) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!requested_ || pause < requestedPause_) requestedPause_ = pause;
    requested_ = true;
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
        if (changed_.wait_for(lock, requestedPause_, [&] { return stopped_; })) return;
        requested_ = false;
        lock.unlock();
        attempt_();
        lock.lock();
    }
}

}  // namespace nolt
