#pragma once
// A timed, non-recursive mutex for the session's SDK lock and the locks
// waited for with the same time-out. It behaves as std::timed_mutex, except
// that a thread locking it twice waits out its time-out instead of meeting
// undefined behaviour; and the thread sanitizer of our toolchain sees its
// locking, which it does not for std::timed_mutex::try_lock_for.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace heidenhain {

class TimedMutex {
public:
    void lock() {
        std::unique_lock<std::mutex> state(mutex_);
        released_.wait(state, [this] { return !locked_; });
        locked_ = true;
    }

    bool try_lock() {
        std::lock_guard<std::mutex> state(mutex_);
        if (locked_) return false;
        locked_ = true;
        return true;
    }

    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& timeout) {
        std::unique_lock<std::mutex> state(mutex_);
        if (!released_.wait_for(state, timeout, [this] { return !locked_; })) return false;
        locked_ = true;
        return true;
    }

    void unlock() {
        {
            std::lock_guard<std::mutex> state(mutex_);
            locked_ = false;
        }
        released_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool locked_ = false;
};

}  // namespace heidenhain
