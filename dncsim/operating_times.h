#pragma once
// The operating times of a simulated control. They start from fixed demo
// values and advance with the steady clock (platform::steadyNowNs, which
// tests replace); running times advance only while a program runs.
#include <cstdint>
#include <mutex>

namespace dncsim {

class OperatingTimes {
public:
    // The NC software starts now.
    OperatingTimes();

    // A program starts or stops running at `atNs` (steady clock).
    void setRunning(bool running, std::int64_t atNs);

    // Nanoseconds.
    std::int64_t ncUpTime() const;
    std::int64_t machineUpTime() const;
    std::int64_t machineRunningTime() const;
    // False for an axis that is no spindle of the control.
    bool spindleRunningTime(std::int32_t axisId, std::int64_t* ns) const;

private:
    std::int64_t runningSoFar() const;  // with mutex_ held

    const std::int64_t startNs_;
    mutable std::mutex mutex_;
    std::int64_t runningNs_ = 0;
    std::int64_t runningSinceNs_ = -1;  // -1 while no program runs
};

}  // namespace dncsim
