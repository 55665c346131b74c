#include "agent/event_loop.h"

#include <chrono>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/log.h"

namespace nolt {

namespace {
// Set on an added worker that picked up a removal request: it leaves after
// the task, when it is a surplus.
thread_local bool removalAsked = false;
constexpr auto kStayAwake = std::chrono::microseconds(200);
constexpr int kMaxSpinning = 2;

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Counts a task as running for as long as it runs, also when it throws.
class Running {
public:
    explicit Running(std::atomic<std::size_t>& busy) : busy_(busy) {}
    ~Running() { --busy_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    std::atomic<std::size_t>& busy_;
};
}  // namespace

EventLoop& EventLoop::instance() {
    static EventLoop* loop = new EventLoop();  // lives until the process ends
    return *loop;
}

EventLoop::EventLoop() : work_(asio::make_work_guard(context_)) {}

void EventLoop::post(std::function<void()> task) {
    // Counted before it can start, so that a worker deciding to leave sees it.
    ++queued_;
    asio::post(context_, [this, task = std::move(task)] {
        // Busy before no longer queued: for a moment the task counts twice,
        // which may start a worker too many but never one too few.
        ++busy_;
        --queued_;
        Running running(busy_);
        growIfNeeded();
        task();
    });
    growIfNeeded();
}

void EventLoop::runCounted(const std::function<void()>& work) {
    ++busy_;
    Running running(busy_);
    growIfNeeded();
    work();
}

void EventLoop::growIfNeeded() {
    std::lock_guard<std::mutex> lock(poolMutex_);
    if (!running_) return;
    // Tasks posted before run() may need several workers at once.
    while (true) {
        const std::size_t busy = busy_;
        const std::size_t free = workers_ > busy ? workers_ - busy : 0;
        // One worker more than the queued tasks need stays free: timers
        // (a queued call's wait limit among them) must fire while every
        // other worker blocks.
        if (queued_ + 1 >= free) lastNeededMs_ = nowMs();
        if (queued_ < free) return;
        const std::size_t alive = aliveLocked();
        const std::size_t onDemand = alive > reserved_ ? alive - reserved_ : 0;
        if (onDemand >= burstLimit_) return;
        try {
            startWorkerLocked();
        } catch (const std::system_error& e) {
            // Out of threads: the task waits for a worker that is running.
            platform::logError(std::string("Cannot start a worker thread: ") + e.what());
            return;
        }
    }
}

void EventLoop::startWorkerLocked() {
    std::thread worker([this] { workerLoop(); });
    auto id = worker.get_id();
    added_.emplace(id, std::move(worker));
    ++workers_;
}

void EventLoop::addThreads(std::size_t count) {
    std::lock_guard<std::mutex> lock(poolMutex_);
    for (std::size_t i = 0; i < count; ++i) {
        startWorkerLocked();
        ++reserved_;
    }
}

void EventLoop::removeThread() {
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        if (reserved_ == 0) return;
        --reserved_;
    }
    asio::post(context_, [this] { removalTask(); });
}

void EventLoop::removalTask() {
    if (isAddedThread()) {
        removalAsked = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        if (aliveLocked() <= reserved_) return;  // an idle worker has left already
    }
    // Picked up by the agent thread: hand it on to an added worker a little
    // later instead of spinning while they are all busy.
    auto timer = std::make_shared<asio::steady_timer>(context_, std::chrono::milliseconds(1));
    timer->async_wait([this, timer](const asio::error_code& error) {
        if (!error) removalTask();
    });
}

bool EventLoop::isAddedThread() const {
    std::lock_guard<std::mutex> lock(poolMutex_);
    return added_.count(std::this_thread::get_id()) != 0;
}

bool EventLoop::leaveIfSurplus() {
    std::lock_guard<std::mutex> lock(poolMutex_);
    if (added_.count(std::this_thread::get_id()) == 0) return false;
    // A queued task must find the workers that stay, and a timer one free worker.
    if (aliveLocked() <= reserved_ || queued_ != 0 || workers_ <= busy_ + 1) return false;
    ++leaving_;
    --workers_;
    auto id = std::this_thread::get_id();
    asio::post(context_, [this, id, run = runs_] { joinFinished(id, run); });
    return true;
}

void EventLoop::joinFinished(std::thread::id id, std::uint64_t run) {
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        // Left over from a run whose end joined every worker: the id may
        // belong to a new thread by now.
        if (run != runs_ || id == std::this_thread::get_id()) return;
        auto found = added_.find(id);
        if (found == added_.end()) return;
        finished = std::move(found->second);
        added_.erase(found);
        --leaving_;
    }
    if (finished.joinable()) finished.join();
}

void EventLoop::workerLoop() {
    while (true) {
        try {
            runTasks();
            return;
        } catch (const std::exception& e) {
            platform::logError(e.what());
        } catch (...) {
            std::ostringstream text;
            text << "Caught unknown exception during event-loop callback (thread-id: " << std::this_thread::get_id()
                 << ")";
            platform::logError(text.str());
        }
    }
}

void EventLoop::runTasks() {
    using Clock = std::chrono::steady_clock;
    while (true) {
        if (context_.run_one_for(std::chrono::milliseconds(idlePeriodMs_.load())) == 0) {
            if (context_.stopped()) return;
            // A whole idle period without a task: a worker beyond those owed
            // to the sessions goes.
            if (leaveIfSurplus()) return;
            continue;
        }
        // Light steady work, a timer now and then, reaches every worker in
        // turn, so none of them is ever idle a whole period: a worker the pool
        // has not needed for that long goes after its task all the same.
        if (nowMs() - lastNeededMs_ >= idlePeriodMs_.load() && leaveIfSurplus()) return;
        if (leaveOnRequest()) return;
        // Requests tend to come in bursts: stay awake a moment for the next
        // task instead of going back to sleep in the reactor, whose wake-up
        // costs more than the task itself. Only a few workers at a time: a
        // burst of fifty spinning would take the processors from the rest.
        if (spinning_.fetch_add(1) >= kMaxSpinning) {
            --spinning_;
            continue;
        }
        auto awakeUntil = Clock::now() + kStayAwake;
        while (!context_.stopped() && Clock::now() < awakeUntil) {
            if (context_.poll_one() != 0) {
                if (removalAsked) break;
                awakeUntil = Clock::now() + kStayAwake;
            } else {
                std::this_thread::yield();
            }
        }
        --spinning_;
        if (leaveOnRequest()) return;
    }
}

bool EventLoop::leaveOnRequest() {
    // Without a surplus (a worker left on its own meanwhile) the request is
    // met already; while tasks wait, the worker leaves later, when it has
    // been idle.
    return std::exchange(removalAsked, false) && leaveIfSurplus();
}

void EventLoop::run() {
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        running_ = true;
        ++workers_;
    }
    growIfNeeded();
    workerLoop();
    // Stopped: the added workers leave their loops too.
    std::map<std::thread::id, std::thread> left;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        running_ = false;
        ++runs_;
        left.swap(added_);
        leaving_ = 0;
        reserved_ = 0;
        workers_ = 0;
    }
    for (auto& [id, worker] : left) {
        if (worker.joinable()) worker.join();
    }
}

void EventLoop::stop() { context_.stop(); }

void EventLoop::reset() { context_.restart(); }

std::size_t EventLoop::addedThreads() const {
    std::lock_guard<std::mutex> lock(poolMutex_);
    return aliveLocked();
}

void EventLoop::setBurstLimit(std::size_t limit) {
    std::lock_guard<std::mutex> lock(poolMutex_);
    burstLimit_ = limit;
}

std::size_t EventLoop::burstLimit() const {
    std::lock_guard<std::mutex> lock(poolMutex_);
    return burstLimit_;
}

void EventLoop::setIdlePeriod(std::chrono::milliseconds period) { idlePeriodMs_ = period.count(); }

}  // namespace nolt
