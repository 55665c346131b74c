#include "dncsim/automatic.h"

namespace dncsim {
namespace {

// The position of the execution point; the simulated control keeps none.
class ExecutionPosition final : public dnc::Object {};

}  // namespace

template <class Op>
dnc::HRESULT Automatic::run(std::string_view operation, Op&& op) {
    if (auto hr = link_->enter(operation); dnc::failed(hr)) return hr;
    return op(link_->controller().programs());
}

dnc::HRESULT Automatic::SelectProgram(std::int32_t channel, const std::string& programName,
                                      const dnc::Variant& startBlock) {
    return run("SelectProgram",
               [&](ProgramRunner& programs) { return programs.select(channel, programName, startBlock); });
}

dnc::HRESULT Automatic::StartProgram(const std::string& programName, const dnc::Variant&) {
    return run("StartProgram", [&](ProgramRunner& programs) { return programs.start(programName); });
}

dnc::HRESULT Automatic::StopProgram(std::int32_t channel, dnc::VariantBool atBlockEnd) {
    return run("StopProgram", [&](ProgramRunner& programs) { return programs.stop(channel, atBlockEnd); });
}

dnc::HRESULT Automatic::CancelProgram(std::int32_t channel) {
    return run("CancelProgram", [&](ProgramRunner& programs) { return programs.cancel(channel); });
}

dnc::HRESULT Automatic::SetExecutionMode(std::int32_t executionMode) {
    return run("SetExecutionMode", [&](ProgramRunner& programs) { return programs.setExecutionMode(executionMode); });
}

dnc::HRESULT Automatic::GetProgramStatus(std::int32_t* programStatus) {
    return run("GetProgramStatus", [&](ProgramRunner& programs) {
        if (programStatus == nullptr) return dnc::kPointer;
        *programStatus = programs.status();
        return dnc::kOk;
    });
}

dnc::HRESULT Automatic::GetDncMode(std::int32_t* dncMode) {
    return run("GetDncMode", [&](ProgramRunner& programs) {
        if (dncMode == nullptr) return dnc::kPointer;
        *dncMode = programs.dncMode();
        return dnc::kOk;
    });
}

dnc::HRESULT Automatic::GetExecutionPoint(dnc::Variant* selectedProgram, std::shared_ptr<dnc::Object>* positionList) {
    return run("GetExecutionPoint", [&](ProgramRunner& programs) {
        if (selectedProgram == nullptr || positionList == nullptr) return dnc::kPointer;
        *selectedProgram = dnc::Variant(programs.selectedProgram());
        *positionList = std::make_shared<ExecutionPosition>();
        return dnc::kOk;
    });
}

dnc::HRESULT Automatic::ClearControl() {
    return run("ClearControl", [](ProgramRunner& programs) { return programs.clear(); });
}

dnc::HRESULT Automatic::GetOverrideInfo(dnc::Variant* feed, dnc::Variant* speed, dnc::Variant* rapid) {
    return run("GetOverrideInfo", [&](ProgramRunner& programs) {
        if (feed == nullptr || speed == nullptr || rapid == nullptr) return dnc::kPointer;
        std::int32_t values[3];
        programs.overrides(&values[0], &values[1], &values[2]);
        *feed = dnc::Variant(values[0]);
        *speed = dnc::Variant(values[1]);
        *rapid = dnc::Variant(values[2]);
        return dnc::kOk;
    });
}

dnc::HRESULT Automatic::SetOverrideFeed(std::int32_t percentage) {
    return run("SetOverrideFeed", [&](ProgramRunner& programs) {
        return programs.setOverride(ProgramRunner::Override::Feed, percentage);
    });
}

dnc::HRESULT Automatic::SetOverrideSpeed(std::int32_t percentage) {
    return run("SetOverrideSpeed", [&](ProgramRunner& programs) {
        return programs.setOverride(ProgramRunner::Override::Speed, percentage);
    });
}

dnc::HRESULT Automatic::SetOverrideRapid(std::int32_t percentage) {
    return run("SetOverrideRapid", [&](ProgramRunner& programs) {
        return programs.setOverride(ProgramRunner::Override::Rapid, percentage);
    });
}

dnc::HRESULT Automatic::Advise(std::shared_ptr<dnc::IJHAutomaticEvents3> sink, std::uint32_t* cookie) {
    return advise(link_->controller().programs().sinks(), std::move(sink), cookie);
}

dnc::HRESULT Automatic::Unadvise(std::uint32_t cookie) {
    return unadvise(link_->controller().programs().sinks(), cookie);
}

}  // namespace dncsim
