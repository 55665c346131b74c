#include "dncsim/operating_times.h"

#include <algorithm>

#include "platform/steady_clock.h"

namespace dncsim {
namespace {

constexpr std::int64_t hoursNs(std::int64_t hours, std::int64_t minutes = 0) {
    return (hours * 60 + minutes) * 60 * 1000 * 1000 * 1000;
}

// What the machine had behind it when the simulation started.
constexpr std::int64_t kMachineUpBefore = hoursNs(1520);
constexpr std::int64_t kMachineRunningBefore = hoursNs(742, 30);
// Axis 0 is the main spindle, which turns while a program runs; axis 1 a
// second spindle that the demo programs do not use.
constexpr std::int64_t kSpindleRunningBefore[] = {hoursNs(615, 10), hoursNs(12, 45)};

}  // namespace

OperatingTimes::OperatingTimes() : startNs_(platform::steadyNowNs()) {}

void OperatingTimes::setRunning(bool running, std::int64_t atNs) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running == (runningSinceNs_ >= 0)) return;
    if (running) {
        runningSinceNs_ = atNs;
    } else {
        runningNs_ += std::max<std::int64_t>(0, atNs - runningSinceNs_);
        runningSinceNs_ = -1;
    }
}

std::int64_t OperatingTimes::runningSoFar() const {
    if (runningSinceNs_ < 0) return runningNs_;
    return runningNs_ + std::max<std::int64_t>(0, platform::steadyNowNs() - runningSinceNs_);
}

// A clock that a test set back before this control started gives no negative time.
std::int64_t OperatingTimes::ncUpTime() const { return std::max<std::int64_t>(0, platform::steadyNowNs() - startNs_); }

std::int64_t OperatingTimes::machineUpTime() const { return kMachineUpBefore + ncUpTime(); }

std::int64_t OperatingTimes::machineRunningTime() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return kMachineRunningBefore + runningSoFar();
}

bool OperatingTimes::spindleRunningTime(std::int32_t axisId, std::int64_t* ns) const {
    if (axisId < 0 || axisId > 1) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    *ns = kSpindleRunningBefore[axisId] + (axisId == 0 ? runningSoFar() : 0);
    return true;
}

}  // namespace dncsim
