#pragma once
// The simulated process data interface (operating times).
#include "dnc/process_data.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class ProcessData final : public dnc::IJHProcessData, private BoundObject {
public:
    ProcessData(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT GetNcUpTime(dnc::Variant*, dnc::Variant*) override { return notYet("GetNcUpTime"); }
    dnc::HRESULT GetMachineUpTime(dnc::Variant*, dnc::Variant*) override { return notYet("GetMachineUpTime"); }
    dnc::HRESULT GetMachineRunningTime(dnc::Variant*, dnc::Variant*) override {
        return notYet("GetMachineRunningTime");
    }
    dnc::HRESULT GetSpindleRunningTime(std::int32_t, dnc::Variant*, dnc::Variant*) override {
        return notYet("GetSpindleRunningTime");
    }
};

}  // namespace dncsim
