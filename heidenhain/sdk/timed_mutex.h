#pragma once
// A timed, non-recursive mutex for the session's SDK lock and the locks
// waited for with the same time-out. It behaves as std::timed_mutex, except
// that a thread locking it twice waits out its time-out instead of meeting
// undefined behaviour (where the lock order is checked, that ends the process
// at once); and the thread sanitizer of our toolchain sees its locking, which
// it does not for std::timed_mutex::try_lock_for. Each has its place in the
// lock order of heidenhain/lock_order.h.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "heidenhain/sdk/lock_order.h"

namespace heidenhain {

class TimedMutex {
public:
    explicit TimedMutex(LockRank rank) : rank_(rank) {}
    TimedMutex(const TimedMutex&) = delete;
    TimedMutex& operator=(const TimedMutex&) = delete;

    void lock() {
        if constexpr (kLockOrderChecked) lock_order::acquiring(this, rank_);
        std::unique_lock<std::mutex> state(mutex_);
        released_.wait(state, [this] { return !locked_; });
        locked_ = true;
        noteAcquired();
    }

    // Never waits, so it cannot close a cycle: not checked, only noted.
    bool try_lock() {
        std::lock_guard<std::mutex> state(mutex_);
        if (locked_) return false;
        locked_ = true;
        noteAcquired();
        return true;
    }

    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& timeout) {
        if constexpr (kLockOrderChecked) lock_order::acquiring(this, rank_);
        std::unique_lock<std::mutex> state(mutex_);
        if (!released_.wait_for(state, timeout, [this] { return !locked_; })) return false;
        locked_ = true;
        noteAcquired();
        return true;
    }

    void unlock() {
        if constexpr (kLockOrderChecked) lock_order::released(this);
        {
            std::lock_guard<std::mutex> state(mutex_);
            locked_ = false;
        }
        released_.notify_one();
    }

private:
    void noteAcquired() {
        if constexpr (kLockOrderChecked) lock_order::acquired(this, rank_);
    }

    const LockRank rank_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool locked_ = false;
};

}  // namespace heidenhain
