#include "heidenhain/monitor_thread.h"

#include <atomic>

namespace heidenhain {

namespace {
std::atomic<bool> autostart{true};
}  // namespace

void setTableMonitorAutostart(bool on) { autostart = on; }
bool tableMonitorAutostart() { return autostart; }

struct MonitorThread::Running {
    std::thread thread;
};

bool MonitorThread::held() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_ != nullptr;
}

void MonitorThread::start(std::function<void()> body) {
    std::lock_guard<std::mutex> sequence(sequence_);
    stopLocked();
    auto running = std::make_shared<Running>();
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    running->thread = std::thread(std::move(body));
    running_ = std::move(running);
}

void MonitorThread::stop() {
    std::lock_guard<std::mutex> sequence(sequence_);
    stopLocked();
}

void MonitorThread::stopLocked() {
    std::shared_ptr<Running> running;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        running = std::move(running_);
    }
    wake_.notify_all();
    if (!running || !running->thread.joinable()) return;
    if (running->thread.get_id() != std::this_thread::get_id()) {
        running->thread.join();
    } else {
        // Stopped from its own body: the thread cannot wait for itself.
        running->thread.detach();
    }
}

bool MonitorThread::stopping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void MonitorThread::pause(std::chrono::milliseconds slice) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, slice, [&] { return stopping_; });
}

}  // namespace heidenhain
