#pragma once
// Bounded waits for tests: a condition polled until it holds, and a mailbox
// that other threads fill and the test takes from. Nothing here sleeps a
// fixed time to let something happen.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// Evaluates the predicate until it holds or the bound has passed (checking
// once more at the end); true when it held.
bool waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds bound);

// A thread-safe mailbox. Takers remove what they return, so successive waits
// see successive items; finders leave it in place.
template <class T>
class EventQueue {
public:
    using Predicate = std::function<bool(const T&)>;

    void push(T item) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            items_.push_back(std::move(item));
        }
        changed_.notify_all();
    }

    // The oldest item, removed; empty when none arrived within the bound.
    std::optional<T> waitPop(std::chrono::milliseconds bound) {
        return waitTake([](const T&) { return true; }, bound);
    }

    // The oldest item that matches, removed; items before it stay.
    std::optional<T> waitTake(const Predicate& matches, std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        std::optional<T> found;
        changed_.wait_for(lock, bound, [&] {
            auto it = std::find_if(items_.begin(), items_.end(), matches);
            if (it == items_.end()) return false;
            found = std::move(*it);
            items_.erase(it);
            return true;
        });
        return found;
    }

    // The oldest item that matches, left in the queue.
    std::optional<T> waitFind(const Predicate& matches, std::chrono::milliseconds bound) const {
        std::unique_lock<std::mutex> lock(mutex_);
        std::optional<T> found;
        changed_.wait_for(lock, bound, [&] {
            auto it = std::find_if(items_.begin(), items_.end(), matches);
            if (it == items_.end()) return false;
            found = *it;
            return true;
        });
        return found;
    }

    std::optional<T> tryPop() { return waitPop(0ms); }

    bool contains(const Predicate& matches) const { return waitFind(matches, 0ms).has_value(); }

    std::vector<T> snapshot() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return {items_.begin(), items_.end()};
    }

    std::size_t size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }

    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.clear();
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<T> items_;
};

}  // namespace testsupport
