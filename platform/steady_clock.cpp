#include "platform/steady_clock.h"

#include <chrono>
#include <memory>
#include <mutex>

namespace platform {
namespace {
std::mutex clockMutex;
std::shared_ptr<std::function<std::int64_t()>> testClock;
}  // namespace

std::int64_t steadyNowNs() {
    std::shared_ptr<std::function<std::int64_t()>> clock;
    {
        std::lock_guard<std::mutex> lock(clockMutex);
        clock = testClock;
    }
    if (clock) return (*clock)();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void setSteadyClock(std::function<std::int64_t()> clock) {
    std::lock_guard<std::mutex> lock(clockMutex);
    testClock = clock ? std::make_shared<std::function<std::int64_t()>>(std::move(clock)) : nullptr;
}

}  // namespace platform
