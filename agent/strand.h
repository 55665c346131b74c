#pragma once
// Items handled one at a time, in the order queued, on the event loop's
// shared workers: a strand waiting for its turn holds no thread. The core of
// an instance's call queue and of a session's event queue. They differ only
// in their overflow rule: an item that waits longer than the wait limit
// expires and is handed to expired() beside the strand; an item beyond the
// bound makes the oldest waiting one drop.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

namespace nolt {

using SteadyDuration = std::chrono::steady_clock::duration;

// The event loop's parts that a strand uses, apart so that this header
// brings no I/O library (and no Windows header) to whoever includes it.
namespace strand_detail {
// The strand whose item runs on this thread; null outside one.
const void*& current();
// A handler that throws must not stop the strand behind it.
void runGuarded(const std::function<void()>& work);
// Runs the task on a worker of the event loop.
void post(std::function<void()> task);
// A timer of the event loop: `expired` runs on the timer's worker, counted
// as a task, unless the timer was cancelled or destroyed before.
class Timer;
std::shared_ptr<Timer> startTimer(SteadyDuration after, std::function<void()> expired);
void cancel(Timer& timer);
}  // namespace strand_detail

struct Overflow {
    // How long an item may wait for its turn; none when empty.
    std::function<SteadyDuration()> waitLimit;
    // Items kept waiting; one more drops the oldest.
    std::size_t bound = std::numeric_limits<std::size_t>::max();
};

template <class Item>
class Strand : public std::enable_shared_from_this<Strand<Item>> {
public:
    Strand(const Strand&) = delete;
    Strand& operator=(const Strand&) = delete;
    virtual ~Strand() = default;

    // Items waiting for their turn, the running one not counted.
    std::size_t waiting() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return waitingLocked();
    }

    // Whether an item of this strand is handled on the calling thread.
    bool runningHere() const { return strand_detail::current() == this; }

protected:
    // `batch` items are handled per turn on a worker; between turns the
    // other strands get the worker.
    Strand(Overflow overflow, std::size_t batch) : overflow_(std::move(overflow)), batch_(batch) {}

    // Handles one item, outside the lock.
    virtual void handle(Item& item) = 0;
    // After each handled item, outside the lock.
    virtual void handled() {}
    // An item whose wait limit passed, on the timer's worker.
    virtual void expired(Item&) {}
    // The oldest waiting item, dropped to make room; under the lock.
    virtual void droppedLocked(Item&) {}

    // Queues `item` with `mutex_` held; true when the caller must start a
    // turn (startTurn()) once it has let go of the lock.
    bool pushLocked(Item item) {
        if (slots_.size() >= overflow_.bound && !slots_.empty()) {
            Item oldest = std::move(slots_.front().item);
            slots_.pop_front();
            droppedLocked(oldest);
        }
        Slot slot{++pushed_, std::move(item), nullptr};
        const bool start = !running_;
        if (start) {
            running_ = true;
        } else if (overflow_.waitLimit) {
            // Only an item that has to wait gets a timer. Its item expires on
            // the timer's worker: posted, a thousand items expiring at once
            // would start as many workers.
            slot.timer = strand_detail::startTimer(overflow_.waitLimit(), [weak = this->weak_from_this(), number = slot.number] {
                if (auto strand = weak.lock()) strand->expire(number);
            });
        }
        slots_.push_back(std::move(slot));
        return start;
    }

    std::size_t waitingLocked() const { return slots_.size(); }

    void startTurn() {
        strand_detail::post([self = this->shared_from_this()] { self->turn(); });
    }

    void post(Item item) {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool start = pushLocked(std::move(item));
        lock.unlock();
        if (start) startTurn();
    }

    mutable std::mutex mutex_;

private:
    struct Slot {
        std::uint64_t number;
        Item item;
        std::shared_ptr<strand_detail::Timer> timer;
    };

    class Here {
    public:
        explicit Here(const void* strand) : previous_(strand_detail::current()) { strand_detail::current() = strand; }
        ~Here() { strand_detail::current() = previous_; }
        Here(const Here&) = delete;
        Here& operator=(const Here&) = delete;

    private:
        const void* previous_;
    };

    void turn() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (std::size_t handledInTurn = 0;; ++handledInTurn) {
            if (slots_.empty()) {
                running_ = false;
                return;
            }
            if (handledInTurn == batch_) {
                // Posted, not looped: the other strands get their turns between.
                lock.unlock();
                startTurn();
                return;
            }
            Slot slot = std::move(slots_.front());
            slots_.pop_front();
            if (slot.timer) strand_detail::cancel(*slot.timer);
            lock.unlock();
            {
                const Here here(this);
                strand_detail::runGuarded([&] { handle(slot.item); });
            }
            // What the item holds is freed here, not under the lock.
            slot = Slot{};
            handled();
            lock.lock();
        }
    }

    void expire(std::uint64_t number) {
        Slot slot{};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = slots_.begin();
            while (it != slots_.end() && it->number != number) ++it;
            if (it == slots_.end()) return;
            slot = std::move(*it);
            slots_.erase(it);
        }
        strand_detail::runGuarded([&] { expired(slot.item); });
    }

    const Overflow overflow_;
    const std::size_t batch_;
    std::deque<Slot> slots_;
    std::uint64_t pushed_ = 0;
    bool running_ = false;
};

}  // namespace nolt
