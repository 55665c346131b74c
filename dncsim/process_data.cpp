#include "dncsim/process_data.h"

#include <algorithm>
#include <limits>

namespace dncsim {
namespace {

constexpr dnc::HRESULT kInvalidAxis = dnc::code(0x8004027B);

constexpr std::int64_t kMinuteNs = 60LL * 1000 * 1000 * 1000;

}  // namespace

template <class Time>
dnc::HRESULT ProcessData::report(std::string_view operation, dnc::Variant* hours, dnc::Variant* minutes,
                                 Time&& time) {
    if (auto hr = link_->enter(operation); dnc::failed(hr)) return hr;
    if (hours == nullptr || minutes == nullptr) return dnc::kPointer;
    auto& controller = link_->controller();
    // A program whose time is up stops the running times where it ended.
    controller.programs().advance();
    std::int64_t ns = 0;
    if (!time(controller.times(), &ns)) return kInvalidAxis;
    const std::int64_t total = ns / kMinuteNs;
    *hours = dnc::Variant(static_cast<std::int32_t>(
        std::min<std::int64_t>(total / 60, std::numeric_limits<std::int32_t>::max())));
    *minutes = dnc::Variant(static_cast<std::int32_t>(total % 60));
    return dnc::kOk;
}

dnc::HRESULT ProcessData::GetNcUpTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return report("GetNcUpTime", hours, minutes, [](OperatingTimes& times, std::int64_t* ns) {
        *ns = times.ncUpTime();
        return true;
    });
}

dnc::HRESULT ProcessData::GetMachineUpTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return report("GetMachineUpTime", hours, minutes, [](OperatingTimes& times, std::int64_t* ns) {
        *ns = times.machineUpTime();
        return true;
    });
}

dnc::HRESULT ProcessData::GetMachineRunningTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return report("GetMachineRunningTime", hours, minutes, [](OperatingTimes& times, std::int64_t* ns) {
        *ns = times.machineRunningTime();
        return true;
    });
}

dnc::HRESULT ProcessData::GetSpindleRunningTime(std::int32_t axisId, dnc::Variant* hours, dnc::Variant* minutes) {
    return report("GetSpindleRunningTime", hours, minutes, [axisId](OperatingTimes& times, std::int64_t* ns) {
        return times.spindleRunningTime(axisId, ns);
    });
}

}  // namespace dncsim
