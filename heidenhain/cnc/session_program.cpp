// Program control and overrides: thin guarded calls of the automatic interface.
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "heidenhain/cnc/session_program.h"
#include "heidenhain/sdk/interface_check.h"
#include "heidenhain/sdk/sdk_arguments.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/text/enum_names.h"

namespace heidenhain {

template <class Op, class Before>
void SessionProgram::automaticCall(const char* function, const char* call, CallSite site, Op&& op, Before&& before) {
    auto automatic = context_.automatic.get();
    requireInterface(context_.guard, InterfaceCheck{"Automatic", automatic != nullptr, function}, site);
    before();
    context_.guard.run({call, site}, [&] { return op(*automatic); });
}

template <class Op>
void SessionProgram::automaticCall(const char* function, const char* call, CallSite site, Op&& op) {
    automaticCall(function, call, site, std::forward<Op>(op), [] {});
}

void SessionProgram::selectProgram(std::int32_t channel, const std::string& programName,
                                   const std::string& startBlockNumber) {
    context_.family.get()->refuseUnoffered("selectProgram");
    automaticCall(
        "selectProgram", "_automatic->SelectProgram(channel, toBSTR(programName), toVariant(startBlockNumber))",
        SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) {
            return automatic.SelectProgram(channel, toBSTR(programName), toVariant(startBlockNumber));
        },
        [&] {
            logInformation("selectProgram", context_.name + ": " + std::to_string(channel) + ", " + programName + ", " +
                                                startBlockNumber);
        });
}

void SessionProgram::startProgram(const std::string& programName) {
    automaticCall(
        "startProgram", "_automatic->StartProgram(toBSTR(programName))", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) {
            return automatic.StartProgram(toBSTR(programName), dnc::Variant::missing());
        },
        [&] { logInformation("startProgram", context_.name + ": " + programName); });
}

void SessionProgram::stopProgram(std::int32_t channel, bool onBlockEnd) {
    context_.family.get()->refuseUnoffered("stopProgram");
    automaticCall(
        "stopProgram", "_automatic->StopProgram(channel, toVariantBool(onBlockEnd))", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.StopProgram(channel, toVariantBool(onBlockEnd)); },
        [&] { logInformation("stopProgram", context_.name); });
}

void SessionProgram::cancelProgram(std::int32_t channel) {
    context_.family.get()->refuseUnoffered("cancelProgram");
    automaticCall(
        "cancelProgram", "_automatic->CancelProgram(channel)", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.CancelProgram(channel); },
        [&] { logInformation("cancelProgram", context_.name + ": " + std::to_string(channel)); });
}

void SessionProgram::setExecutionMode(const std::string& executionMode) {
    context_.family.get()->refuseUnoffered("setExecutionMode");
    // Mode 0 for an unknown name would switch an unattended machine to manual.
    if (!execModeMap().contains(executionMode)) {
        std::vector<std::pair<int, std::string>> modes;
        for (const auto& [modeName, number] : execModeMap()) modes.emplace_back(number, modeName);
        std::sort(modes.begin(), modes.end());
        std::string valid;
        for (const auto& [number, modeName] : modes) valid += (valid.empty() ? "" : ", ") + modeName;
        throw std::invalid_argument("Invalid argument: Execution mode " + executionMode +
                                    " does not exist; valid names are " + valid);
    }
    const std::int32_t mode = numberOf(execModeMap(), executionMode);
    automaticCall(
        "setExecutionMode", "_automatic->SetExecutionMode(execModeMap[executionMode])", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.SetExecutionMode(mode); },
        [&] { logInformation("setExecutionMode", context_.name + ": " + executionMode); });
}

std::string SessionProgram::getProgramStatus() {
    context_.family.get()->refuseUnoffered("getProgramStatus");
    std::int32_t dncStsProgram = 0;
    automaticCall("getProgramStatus", "_automatic->GetProgramStatus(&dncStsProgram)", SDK_CALL_SITE,
                  [&](dnc::IJHAutomatic& automatic) { return automatic.GetProgramStatus(&dncStsProgram); });
    return nameOf(programStatusMap(), dncStsProgram);
}

std::string SessionProgram::getDncMode() {
    std::int32_t dncMode = 0;
    automaticCall("getDncMode", "_automatic->GetDncMode(&dncMode)", SDK_CALL_SITE,
                  [&](dnc::IJHAutomatic& automatic) { return automatic.GetDncMode(&dncMode); });
    return nameOf(dncModeMap(), dncMode);
}

void SessionProgram::clearControl() {
    automaticCall(
        "clearControl", "_automatic->ClearControl()", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.ClearControl(); },
        [&] { logInformation("clearControl", context_.name); });
}

std::int32_t SessionProgram::overrideInfo(const char* function, int pick) {
    dnc::Variant values[3];  // feed, speed, rapid
    automaticCall(function, "_automatic->GetOverrideInfo(&feed, &speed, &rapid)", SDK_CALL_SITE,
                  [&](dnc::IJHAutomatic& automatic) {
                      return automatic.GetOverrideInfo(&values[0], &values[1], &values[2]);
                  });
    return int32Of(values[pick]);
}

std::int32_t SessionProgram::getOverrideInfoFeed() { return overrideInfo("getOverrideInfoFeed", 0); }
std::int32_t SessionProgram::getOverrideInfoSpeed() { return overrideInfo("getOverrideInfoSpeed", 1); }
std::int32_t SessionProgram::getOverrideInfoRapid() { return overrideInfo("getOverrideInfoRapid", 2); }

void SessionProgram::setOverrideFeed(std::int32_t percentage) {
    automaticCall(
        "setOverrideFeed", "_automatic->SetOverrideFeed(percentage)", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.SetOverrideFeed(percentage); },
        [&] { logInformation("setOverrideFeed", context_.name + ": " + std::to_string(percentage)); });
}

void SessionProgram::setOverrideRapid(std::int32_t percentage) {
    automaticCall(
        "setOverrideRapid", "_automatic->SetOverrideRapid(percentage)", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.SetOverrideRapid(percentage); },
        [&] { logInformation("setOverrideRapid", context_.name + ": " + std::to_string(percentage)); });
}

void SessionProgram::setOverrideSpeed(std::int32_t percentage) {
    automaticCall(
        "setOverrideSpeed", "_automatic->SetOverrideSpeed(percentage)", SDK_CALL_SITE,
        [&](dnc::IJHAutomatic& automatic) { return automatic.SetOverrideSpeed(percentage); },
        [&] { logInformation("setOverrideSpeed", context_.name + ": " + std::to_string(percentage)); });
}

}  // namespace heidenhain
