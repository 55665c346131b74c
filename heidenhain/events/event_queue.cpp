#include "heidenhain/events/event_queue.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "agent/event_loop.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {
namespace {
constexpr auto kCloseBound = std::chrono::seconds(5);
constexpr std::size_t kBatch = 64;
}  // namespace

// Shared with the worker handing events on, which may outlive the session
// when a callback still waits at close. Nothing here refers to the session.
struct EventQueue::State {
    State(std::string name, std::size_t bound) : sessionName(std::move(name)), bound(bound) {}

    // Hands on the queued events on a worker of the agent's pool, a batch at a time.
    void drain(const std::shared_ptr<State>& self);
    // A failure is logged unless the one before failed alike (an agent that
    // stops fails every event).
    void report(const std::exception& failure);
    bool settledUpTo(std::uint64_t raisedBefore, std::chrono::milliseconds bound, std::unique_lock<std::mutex>& lock);

    const std::string sessionName;
    const std::size_t bound;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Event> queued;
    // Events settle in the order raised: handed on or dropped from the front.
    std::uint64_t raised = 0;
    std::uint64_t settled = 0;
    std::uint64_t handedOn = 0;
    std::optional<std::uint64_t> stuckAt;  // `handedOn` when a wait last gave up
    std::thread::id deliverer;
    bool draining = false;
    bool closing = false;
    std::uint64_t dropped = 0;
    std::uint64_t droppedInRun = 0;
    std::string lastFailure;
};

void EventQueue::State::report(const std::exception& failure) {
    std::string text = failure.what();
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (text == lastFailure) return;
        lastFailure = text;
    }
    logWarning("raiseEvent", sessionName + ": Event produced error: " + text);
}

void EventQueue::State::drain(const std::shared_ptr<State>& self) {
    std::unique_lock<std::mutex> lock(mutex);
    deliverer = std::this_thread::get_id();
    for (std::size_t handed = 0; !queued.empty(); ++handed) {
        if (handed == kBatch) {
            // The other sessions' events and calls get the worker in between.
            deliverer = {};
            lock.unlock();
            nolt::EventLoop::instance().post([self] { self->drain(self); });
            return;
        }
        Event event = std::move(queued.front());
        queued.pop_front();
        lock.unlock();
        try {
            event();
            std::lock_guard<std::mutex> succeeded(mutex);
            lastFailure.clear();
        } catch (const std::exception& e) {
            report(e);
        } catch (...) {
        }
        // The callback's copy goes here, not under the lock.
        event = nullptr;
        lock.lock();
        ++settled;
        ++handedOn;
        std::optional<std::uint64_t> runEnded;
        if (queued.empty() && droppedInRun != 0) runEnded = std::exchange(droppedInRun, 0);
        changed.notify_all();
        if (runEnded) {
            lock.unlock();
            logWarning("raiseEvent", sessionName + ": " + std::to_string(*runEnded) + " client events were dropped");
            lock.lock();
        }
    }
    deliverer = {};
    draining = false;
}

bool EventQueue::State::settledUpTo(std::uint64_t raisedBefore, std::chrono::milliseconds bound,
                                    std::unique_lock<std::mutex>& lock) {
    if (settled >= raisedBefore) return true;
    // Drops do not count as moving: they only make room. A callback that
    // calls into its session would wait for itself.
    if (stuckAt == handedOn || deliverer == std::this_thread::get_id()) return false;
    if (changed.wait_for(lock, bound, [&] { return settled >= raisedBefore; })) return true;
    stuckAt = handedOn;
    return false;
}

EventQueue::EventQueue(std::string sessionName, DropObserver onDrop, std::size_t bound)
    : state_(std::make_shared<State>(std::move(sessionName), bound)), onDrop_(std::move(onDrop)) {}

EventQueue::~EventQueue() { close(kCloseBound); }

void EventQueue::raise(Event event) {
    State& state = *state_;
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.closing) return;
    bool runBegins = false;
    std::uint64_t total = 0;
    if (state.queued.size() >= state.bound) {
        state.queued.pop_front();
        ++state.settled;
        total = ++state.dropped;
        runBegins = state.droppedInRun++ == 0;
    }
    state.queued.push_back(std::move(event));
    ++state.raised;
    const bool startDrain = !std::exchange(state.draining, true);
    lock.unlock();
    if (startDrain) nolt::EventLoop::instance().post([shared = state_] { shared->drain(shared); });
    if (runBegins) {
        logWarning("raiseEvent", state.sessionName +
                                     ": Client events come faster than they can be published; the "
                                     "oldest are dropped (" +
                                     std::to_string(state.bound) + " kept)");
    }
    if (total != 0 && onDrop_) onDrop_(total);
}

bool EventQueue::settled(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->settledUpTo(state_->raised, bound, lock);
}

void EventQueue::close(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    if (state_->closing) return;
    state_->closing = true;
    // A callback still waiting (for a broker) keeps its worker: the events
    // after it are handed on when it returns.
    state_->settledUpTo(state_->raised, bound, lock);
}

}  // namespace heidenhain
