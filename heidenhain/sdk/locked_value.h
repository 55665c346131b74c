#pragma once
// A value that several threads read and replace (an SDK interface reference,
// a callback, a text of the session). Readers get a copy and use it without
// the lock, so no SDK call and no callback ever runs under it.
#include <mutex>
#include <utility>

namespace heidenhain {

template <class T>
class LockedValue {
public:
    T get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return value_;
    }
    void set(T value) {
        std::lock_guard<std::mutex> lock(mutex_);
        value_ = std::move(value);
    }
    // Replaces the value and hands back the one it replaced.
    T exchange(T value) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(value_, value);
        return value;
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

}  // namespace heidenhain
