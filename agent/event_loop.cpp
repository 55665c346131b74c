#include "agent/event_loop.h"

#include <chrono>
#include <iostream>
#include <sstream>
#include <vector>

namespace nolt {

namespace {
constexpr auto kStayAwake = std::chrono::microseconds(200);
}  // namespace

EventLoop& EventLoop::instance() {
    static EventLoop* loop = new EventLoop();  // lives until the process ends
    return *loop;
}

EventLoop::EventLoop() : work_(asio::make_work_guard(context_)) {}

void EventLoop::post(std::function<void()> task) { asio::post(context_, std::move(task)); }

void EventLoop::addThreads(std::size_t count) {
    std::lock_guard<std::mutex> lock(poolMutex_);
    for (std::size_t i = 0; i < count; ++i) {
        std::thread worker([this] { workerLoop(); });
        auto id = worker.get_id();
        added_.emplace(id, std::move(worker));
    }
}

void EventLoop::removeThread() {
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        if (added_.size() <= leaving_ + pendingRemovals_) return;
        ++pendingRemovals_;
    }
    post([this] { removalTask(); });
}

void EventLoop::removalTask() {
    if (isAddedThread()) throw RemoveThreadException{};
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

void EventLoop::joinFinished(std::thread::id id) {
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
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
        } catch (const RemoveThreadException&) {
            std::lock_guard<std::mutex> lock(poolMutex_);
            if (added_.count(std::this_thread::get_id())) {
                if (pendingRemovals_ > 0) --pendingRemovals_;
                ++leaving_;
                auto id = std::this_thread::get_id();
                asio::post(context_, [this, id] { joinFinished(id); });
                return;
            }
        } catch (const std::exception& e) {
            std::cerr << e.what();
        } catch (...) {
            std::ostringstream text;
            text << "Caught unknown exception during event-loop callback (thread-id: " << std::this_thread::get_id()
                 << ")";
            std::cerr << text.str() << std::endl;
        }
    }
}

void EventLoop::runTasks() {
    using Clock = std::chrono::steady_clock;
    while (context_.run_one() != 0) {
        // Requests tend to come in bursts: stay awake a moment for the next
        // task instead of going back to sleep in the reactor, whose wake-up
        // costs more than the task itself.
        auto awakeUntil = Clock::now() + kStayAwake;
        while (!context_.stopped() && Clock::now() < awakeUntil) {
            if (context_.poll_one() != 0) {
                awakeUntil = Clock::now() + kStayAwake;
            } else {
                std::this_thread::yield();
            }
        }
    }
}

void EventLoop::run() {
    workerLoop();
    // Stopped: the added workers leave their loops too.
    std::map<std::thread::id, std::thread> left;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        left.swap(added_);
        pendingRemovals_ = 0;
        leaving_ = 0;
    }
    for (auto& [id, worker] : left) {
        if (worker.joinable()) worker.join();
    }
}

void EventLoop::stop() { context_.stop(); }

void EventLoop::reset() { context_.restart(); }

std::size_t EventLoop::addedThreads() const {
    std::lock_guard<std::mutex> lock(poolMutex_);
    return added_.size();
}

}  // namespace nolt
