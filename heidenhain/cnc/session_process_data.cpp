// Running times of the CNC and the machine state summary built from them.
#include <algorithm>
#include <limits>

#include "heidenhain/cnc/session_program.h"
#include "heidenhain/sdk/interface_check.h"
#include "heidenhain/sdk/sdk_arguments.h"
#include "heidenhain/tables/controller_family.h"

namespace heidenhain {
namespace {

// hours × 60 + minutes; an SDK answer beyond 32 bits saturates instead of
// wrapping into a meaningless (possibly negative) time.
std::int32_t minutesOf(const dnc::Variant& hours, const dnc::Variant& minutes) {
    const std::int64_t total = std::int64_t{int32Of(hours)} * 60 + int32Of(minutes);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(total, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// A time in minutes as unsigned seconds; a negative time from the SDK is no
// time at all rather than an enormous one.
std::uint64_t secondsOf(std::int32_t minutes) {
    return minutes < 0 ? 0 : static_cast<std::uint64_t>(minutes) * 60;
}

}  // namespace

template <class Op>
std::int32_t SessionProgram::processDataMinutes(const char* function, const char* call, CallSite site, Op&& op) {
    auto processData = context_.processData.get();
    dnc::Variant hours;
    dnc::Variant minutes;
    requireInterface(context_.guard, InterfaceCheck{"ProcessData", processData != nullptr, function}, site);
    context_.guard.run({call, site}, [&] { return op(*processData, &hours, &minutes); });
    return minutesOf(hours, minutes);
}

std::int32_t SessionProgram::getNcUpTime() {
    if (!context_.family.get()->answersNcUpTime()) return 0;
    return processDataMinutes("getNcUpTime", "_processData->GetNcUpTime(&hours, &minutes)", SDK_CALL_SITE,
                              [](dnc::IJHProcessData& data, dnc::Variant* hours, dnc::Variant* minutes) {
                                  return data.GetNcUpTime(hours, minutes);
                              });
}

std::int32_t SessionProgram::getMachineUpTime() {
    context_.family.get()->refuseUnoffered("getMachineUpTime");
    return processDataMinutes("getMachineUpTime", "_processData->GetMachineUpTime(&hours, &minutes)", SDK_CALL_SITE,
                              [](dnc::IJHProcessData& data, dnc::Variant* hours, dnc::Variant* minutes) {
                                  return data.GetMachineUpTime(hours, minutes);
                              });
}

std::int32_t SessionProgram::getMachineRunningTime() {
    context_.family.get()->refuseUnoffered("getMachineRunningTime");
    return processDataMinutes("getMachineRunningTime", "_processData->GetMachineRunningTime(&hours, &minutes)",
                              SDK_CALL_SITE,
                              [](dnc::IJHProcessData& data, dnc::Variant* hours, dnc::Variant* minutes) {
                                  return data.GetMachineRunningTime(hours, minutes);
                              });
}

std::int32_t SessionProgram::getSpindleRunningTime(std::int32_t axisId) {
    return processDataMinutes("getSpindleRunningTime",
                              "_processData->GetSpindleRunningTime(axisId, &hours, &minutes)", SDK_CALL_SITE,
                              [axisId](dnc::IJHProcessData& data, dnc::Variant* hours, dnc::Variant* minutes) {
                                  return data.GetSpindleRunningTime(axisId, hours, minutes);
                              });
}

MachineState SessionProgram::getMachineState() {
    MachineState record;
    if (!context_.guard.isConnected()) return record;
    record.machineRunningTime = secondsOf(getMachineRunningTime());
    record.machineUpTime = secondsOf(getMachineUpTime());
    record.ncUpTime = secondsOf(getNcUpTime());
    if (context_.machineState() == "machine_is_available")
        record.state = getProgramStatus() == "running" ? "running" : "idle";
    return record;
}

}  // namespace heidenhain
