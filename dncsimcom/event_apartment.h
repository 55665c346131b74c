#pragma once
// The foreign variant's event thread: a single-threaded apartment of the
// component's own, which pumps messages while it waits for work, so that
// objects created on it (those passed with events) can be called through
// proxies from other apartments, also while it is calling a sink.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace dncsimcom {

class EventApartment {
public:
    // Started on first use; it lives as long as the process.
    static EventApartment& instance();

    // Runs `task` on the apartment's thread, after the tasks posted before it.
    void post(std::function<void()> task);
    // Waits until every task posted before this call has run; false when
    // `bound` passed first, or when called on the apartment's own thread.
    bool drain(std::chrono::milliseconds bound);

private:
    EventApartment();
    void run();
    bool runOne();

    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::function<void()>> tasks_;
    std::uint64_t posted_ = 0;
    std::uint64_t completed_ = 0;
    HANDLE work_;  // set while tasks wait
    DWORD threadId_ = 0;
};

}  // namespace dncsimcom
