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
    std::atomic<bool> ended{false};
};

bool MonitorThread::held() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_ != nullptr;
}

void MonitorThread::start(std::function<void()> body) {
    std::shared_ptr<Running> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_ && !running_->ended) return;
        finished = std::move(running_);
        stopping_ = false;
    }
    if (finished && finished->thread.joinable()) finished->thread.join();
    auto running = std::make_shared<Running>();
    Running* state = running.get();
    std::lock_guard<std::mutex> lock(mutex_);
    // Another caller may have started one while the old thread was joined.
    if (running_) return;
    running->thread = std::thread([state, body = std::move(body)] {
        body();
        state->ended = true;
    });
    running_ = std::move(running);
}

void MonitorThread::stop() {
    std::shared_ptr<Running> running;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        running = std::move(running_);
    }
    wake_.notify_all();
    if (running && running->thread.joinable() && running->thread.get_id() != std::this_thread::get_id()) {
        running->thread.join();
    } else if (running && running->thread.joinable()) {
        // Stopped from its own body: the thread cannot wait for itself.
        running->thread.detach();
    }
}

void MonitorThread::pause(std::chrono::milliseconds slice) {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, slice, [&] { return stopping_; });
}

}  // namespace heidenhain
