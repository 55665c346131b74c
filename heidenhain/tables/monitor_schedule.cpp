#include "heidenhain/tables/monitor_schedule.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <asio.hpp>

#include "agent/event_loop.h"

namespace heidenhain {

namespace {
std::atomic<bool> autostart{true};
}  // namespace

void setTableMonitorAutostart(bool on) { autostart = on; }
bool tableMonitorAutostart() { return autostart; }

// Shared with the timer and the queued cycles, which may outlive the session
// by a moment; a generation tells the tasks of an earlier start apart.
struct MonitorSchedule::State : std::enable_shared_from_this<State> {
    State(std::shared_ptr<nolt::SerialQueue> queue, Interval interval)
        : queue(std::move(queue)), interval(std::move(interval)) {}

    void queueCycle(std::uint64_t of);
    void runCycle(std::uint64_t of);
    // Waits the interval from the end of the last cycle; under the mutex.
    void armLocked(std::uint64_t of);

    const std::shared_ptr<nolt::SerialQueue> queue;
    const Interval interval;
    mutable std::mutex mutex;
    std::condition_variable cycleEnded;
    // Made when first needed: on Windows the first timer of the loop starts a
    // timer thread of the I/O library, which a session that never monitors
    // has no use for.
    std::unique_ptr<asio::steady_timer> timer;
    Cycle cycle;
    std::uint64_t generation = 0;
    std::uint64_t arming = 0;  // tells a wait that fired apart from one replaced
    bool held = false;
    bool active = false;
    bool stopping = false;
    bool cycleRunning = false;
    bool waiting = false;
    std::chrono::steady_clock::time_point lastEnd;
};

void MonitorSchedule::State::queueCycle(std::uint64_t of) {
    auto self = shared_from_this();
    // A session busy for longer than a call may wait skips this cycle.
    queue->post([self, of] { self->runCycle(of); },
                [self, of] {
                    std::lock_guard<std::mutex> lock(self->mutex);
                    if (of != self->generation || !self->active) return;
                    self->lastEnd = std::chrono::steady_clock::now();
                    self->armLocked(of);
                });
}

void MonitorSchedule::State::runCycle(std::uint64_t of) {
    Cycle body;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (of != generation || !active) return;
        cycleRunning = true;
        body = cycle;
    }
    bool more = false;
    try {
        more = body();
    } catch (...) {
    }
    std::lock_guard<std::mutex> lock(mutex);
    cycleRunning = false;
    cycleEnded.notify_all();
    if (of != generation || !active) return;
    if (!more) {
        active = false;
        return;
    }
    lastEnd = std::chrono::steady_clock::now();
    armLocked(of);
}

void MonitorSchedule::State::armLocked(std::uint64_t of) {
    const auto number = ++arming;
    waiting = true;
    if (!timer) timer = std::make_unique<asio::steady_timer>(nolt::EventLoop::instance().context());
    timer->expires_at(lastEnd + interval());
    timer->async_wait([weak = weak_from_this(), of, number](const asio::error_code& error) {
        auto self = weak.lock();
        if (error || !self) return;
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            if (number != self->arming || of != self->generation || !self->active) return;
            self->waiting = false;
        }
        self->queueCycle(of);
    });
}

MonitorSchedule::MonitorSchedule(std::shared_ptr<nolt::SerialQueue> queue, Interval interval)
    : state_(std::make_shared<State>(std::move(queue), std::move(interval))) {}

bool MonitorSchedule::held() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->held;
}

void MonitorSchedule::start(Cycle cycle) {
    stop();
    std::uint64_t of = 0;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->cycle = std::move(cycle);
        state_->held = state_->active = true;
        state_->stopping = false;
        of = state_->generation;
    }
    state_->queueCycle(of);
}

void MonitorSchedule::stop() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    ++state_->generation;
    state_->held = state_->active = false;
    state_->stopping = true;
    state_->waiting = false;
    if (state_->timer) state_->timer->cancel();
    // A cycle of this session runs on its queue: stopped from there, it is
    // the caller itself and cannot be waited for.
    if (!state_->queue->runningHere()) state_->cycleEnded.wait(lock, [&] { return !state_->cycleRunning; });
}

bool MonitorSchedule::stopping() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->stopping;
}

void MonitorSchedule::intervalChanged() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->active || !state_->waiting) return;
    state_->timer->cancel();
    state_->armLocked(state_->generation);
}

}  // namespace heidenhain
