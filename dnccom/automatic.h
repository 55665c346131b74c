#pragma once
// The component's program control and the tools of its tool change events.
#include "dnc/automatic.h"
#include "dnccom/event_sink.h"
#include "dnccom/object.h"

namespace dnccom {

class ComToolId final : public dnc::IJHToolId, public ComObject {
public:
    static constexpr const char* kInterface = "IJHToolId";
    explicit ComToolId(ComPtr<IDispatch> object);
    dnc::HRESULT get_toolId(std::int32_t* toolId) override { return get("get_toolId", toolId); }
    dnc::HRESULT get_spareToolId(std::int32_t* spareToolId) override { return get("get_spareToolId", spareToolId); }
    dnc::HRESULT get_toolIndex(std::int32_t* toolIndex) override { return get("get_toolIndex", toolIndex); }
};

class ComAutomatic final : public dnc::IJHAutomatic, public ComObject {
public:
    static constexpr const char* kInterface = "IJHAutomatic";
    explicit ComAutomatic(ComPtr<IDispatch> object);

    dnc::HRESULT SelectProgram(std::int32_t channel, const std::string& programName,
                          const dnc::Variant& startBlock) override;
    using dnc::IJHAutomatic::StartProgram;
    dnc::HRESULT StartProgram(const std::string& programName, const dnc::Variant& options) override;
    dnc::HRESULT StopProgram(std::int32_t channel, dnc::VariantBool atBlockEnd) override;
    dnc::HRESULT CancelProgram(std::int32_t channel) override { return callWith("CancelProgram", channel); }
    dnc::HRESULT SetExecutionMode(std::int32_t executionMode) override { return callWith("SetExecutionMode", executionMode); }
    dnc::HRESULT GetProgramStatus(std::int32_t* programStatus) override { return get("GetProgramStatus", programStatus); }
    dnc::HRESULT GetDncMode(std::int32_t* dncMode) override { return get("GetDncMode", dncMode); }
    dnc::HRESULT GetExecutionPoint(dnc::Variant* selectedProgram, std::shared_ptr<dnc::Object>* positionList) override;
    dnc::HRESULT ClearControl() override { return call("ClearControl", {}); }
    dnc::HRESULT GetOverrideInfo(dnc::Variant* feed, dnc::Variant* speed, dnc::Variant* rapid) override;
    dnc::HRESULT SetOverrideFeed(std::int32_t percentage) override { return callWith("SetOverrideFeed", percentage); }
    dnc::HRESULT SetOverrideSpeed(std::int32_t percentage) override { return callWith("SetOverrideSpeed", percentage); }
    dnc::HRESULT SetOverrideRapid(std::int32_t percentage) override { return callWith("SetOverrideRapid", percentage); }
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHAutomaticEvents3> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

private:
    dnc::HRESULT callWith(const char* method, std::int32_t value) const;
    AttachedSinks sinks_;
};

}  // namespace dnccom
