#pragma once
// The simulated automatic interface (program control), served by the
// program runner of the controller it is bound to.
#include "dnc/automatic.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class Automatic final : public dnc::IJHAutomatic, private BoundObject {
public:
    Automatic(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    using dnc::IJHAutomatic::StartProgram;
    dnc::HRESULT SelectProgram(std::int32_t channel, const std::string& programName,
                               const dnc::Variant& startBlock) override;
    dnc::HRESULT StartProgram(const std::string& programName, const dnc::Variant& options) override;
    dnc::HRESULT StopProgram(std::int32_t channel, dnc::VariantBool atBlockEnd) override;
    dnc::HRESULT CancelProgram(std::int32_t channel) override;
    dnc::HRESULT SetExecutionMode(std::int32_t executionMode) override;
    dnc::HRESULT GetProgramStatus(std::int32_t* programStatus) override;
    dnc::HRESULT GetDncMode(std::int32_t* dncMode) override;
    // The selected program's path (empty text when none is selected) and a
    // position object that tells nothing more.
    dnc::HRESULT GetExecutionPoint(dnc::Variant* selectedProgram, std::shared_ptr<dnc::Object>* positionList) override;
    dnc::HRESULT ClearControl() override;
    dnc::HRESULT GetOverrideInfo(dnc::Variant* feed, dnc::Variant* speed, dnc::Variant* rapid) override;
    dnc::HRESULT SetOverrideFeed(std::int32_t percentage) override;
    dnc::HRESULT SetOverrideSpeed(std::int32_t percentage) override;
    dnc::HRESULT SetOverrideRapid(std::int32_t percentage) override;

    // The program events of the controller reach every sink advised on any
    // of its automatic interfaces.
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHAutomaticEvents3> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

private:
    // The injected faults and the link first, then `op` on the runner.
    template <class Op>
    dnc::HRESULT run(std::string_view operation, Op&& op);
};

}  // namespace dncsim
