#include "heidenhain/events/event_queue.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

#include "agent/strand.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {
namespace {
constexpr auto kCloseBound = std::chrono::seconds(5);
constexpr std::size_t kBatch = 64;
}  // namespace

// Shared with the worker handing events on, which may outlive the session
// when a callback still waits at close. Nothing here refers to the session.
struct EventQueue::State : nolt::Strand<Event> {
    State(std::string name, std::size_t bound) : Strand(nolt::Overflow{{}, bound}, kBatch), sessionName(std::move(name)), bound(bound) {}

    // Queues the event; the new total of dropped events when it made room.
    std::optional<std::uint64_t> raise(Event event);
    // Waits until the events raised before it have been handed on or dropped.
    bool settle(std::chrono::milliseconds bound, bool close);

    void handle(Event& event) override;
    void handled() override;
    void droppedLocked(Event&) override;
    // A failure is logged unless the one before failed alike (an agent that
    // stops fails every event).
    void report(const std::exception& failure);
    bool settledUpTo(std::uint64_t raisedBefore, std::chrono::milliseconds bound, std::unique_lock<std::mutex>& lock);

    const std::string sessionName;
    const std::size_t bound;
    std::condition_variable changed;
    // Events settle in the order raised: handed on or dropped from the front.
    std::uint64_t raised = 0;
    std::uint64_t settled = 0;
    std::uint64_t handedOn = 0;
    std::optional<std::uint64_t> stuckAt;  // `handedOn` when a wait last gave up
    bool closing = false;
    std::uint64_t dropped = 0;
    std::uint64_t droppedInRun = 0;
    bool runBegins = false;
    std::string lastFailure;
};

void EventQueue::State::report(const std::exception& failure) {
    std::string text = failure.what();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (text == lastFailure) return;
        lastFailure = text;
    }
    logWarning("raiseEvent", sessionName + ": Event produced error: " + text);
}

void EventQueue::State::handle(Event& event) {
    try {
        event();
        std::lock_guard<std::mutex> succeeded(mutex_);
        lastFailure.clear();
    } catch (const std::exception& e) {
        report(e);
    } catch (...) {
    }
}

void EventQueue::State::handled() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++settled;
    ++handedOn;
    changed.notify_all();
    if (waitingLocked() != 0 || droppedInRun == 0) return;
    const auto runEnded = std::exchange(droppedInRun, 0);
    lock.unlock();
    logWarning("raiseEvent", sessionName + ": " + std::to_string(runEnded) + " client events were dropped");
}

void EventQueue::State::droppedLocked(Event&) {
    ++settled;
    ++dropped;
    runBegins = droppedInRun++ == 0;
}

std::optional<std::uint64_t> EventQueue::State::raise(Event event) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (closing) return std::nullopt;
    const std::uint64_t droppedBefore = dropped;
    runBegins = false;
    ++raised;
    const bool start = pushLocked(std::move(event));
    const bool begins = runBegins;
    const std::uint64_t total = dropped;
    lock.unlock();
    if (start) startTurn();
    if (begins) {
        logWarning("raiseEvent", sessionName +
                                     ": Client events come faster than they can be published; the "
                                     "oldest are dropped (" +
                                     std::to_string(bound) + " kept)");
    }
    if (total == droppedBefore) return std::nullopt;
    return total;
}

bool EventQueue::State::settle(std::chrono::milliseconds bound, bool close) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (close) {
        if (closing) return true;
        closing = true;
    }
    return settledUpTo(raised, bound, lock);
}

bool EventQueue::State::settledUpTo(std::uint64_t raisedBefore, std::chrono::milliseconds bound,
                                    std::unique_lock<std::mutex>& lock) {
    if (settled >= raisedBefore) return true;
    // Drops do not count as moving: they only make room. A callback that
    // calls into its session would wait for itself.
    if (stuckAt == handedOn || runningHere()) return false;
    if (changed.wait_for(lock, bound, [&] { return settled >= raisedBefore; })) return true;
    stuckAt = handedOn;
    return false;
}

EventQueue::EventQueue(std::string sessionName, DropObserver onDrop, std::size_t bound)
    : state_(std::make_shared<State>(std::move(sessionName), bound)), onDrop_(std::move(onDrop)) {}

EventQueue::~EventQueue() { close(kCloseBound); }

void EventQueue::raise(Event event) {
    const auto total = state_->raise(std::move(event));
    if (total && onDrop_) onDrop_(*total);
}

bool EventQueue::settled(std::chrono::milliseconds bound) { return state_->settle(bound, false); }

void EventQueue::close(std::chrono::milliseconds bound) { state_->settle(bound, true); }

}  // namespace heidenhain
