#pragma once
// The simulated automatic interface (program control).
#include "dnc/automatic.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class Automatic final : public dnc::IJHAutomatic, private BoundObject {
public:
    Automatic(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    using dnc::IJHAutomatic::StartProgram;
    dnc::HRESULT SelectProgram(std::int32_t, const std::string&, const dnc::Variant&) override {
        return notYet("SelectProgram");
    }
    dnc::HRESULT StartProgram(const std::string&, const dnc::Variant&) override { return notYet("StartProgram"); }
    dnc::HRESULT StopProgram(std::int32_t, dnc::VariantBool) override { return notYet("StopProgram"); }
    dnc::HRESULT CancelProgram(std::int32_t) override { return notYet("CancelProgram"); }
    dnc::HRESULT SetExecutionMode(std::int32_t) override { return notYet("SetExecutionMode"); }
    dnc::HRESULT GetProgramStatus(std::int32_t*) override { return notYet("GetProgramStatus"); }
    dnc::HRESULT GetDncMode(std::int32_t*) override { return notYet("GetDncMode"); }
    dnc::HRESULT GetExecutionPoint(dnc::Variant*, std::shared_ptr<dnc::Object>*) override {
        return notYet("GetExecutionPoint");
    }
    dnc::HRESULT ClearControl() override { return notYet("ClearControl"); }
    dnc::HRESULT GetOverrideInfo(dnc::Variant*, dnc::Variant*, dnc::Variant*) override {
        return notYet("GetOverrideInfo");
    }
    dnc::HRESULT SetOverrideFeed(std::int32_t) override { return notYet("SetOverrideFeed"); }
    dnc::HRESULT SetOverrideSpeed(std::int32_t) override { return notYet("SetOverrideSpeed"); }
    dnc::HRESULT SetOverrideRapid(std::int32_t) override { return notYet("SetOverrideRapid"); }

    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHAutomaticEvents3> sink, std::uint32_t* cookie) override {
        return advise(sinks_, std::move(sink), cookie);
    }
    dnc::HRESULT Unadvise(std::uint32_t cookie) override { return unadvise(sinks_, cookie); }

private:
    SinkList<dnc::IJHAutomaticEvents3> sinks_;
};

}  // namespace dncsim
