#pragma once
// The simulated process data interface: the controller's operating times as
// hours and minutes (VT_I4).
#include "dnc/process_data.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class ProcessData final : public dnc::IJHProcessData, private BoundObject {
public:
    ProcessData(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT GetNcUpTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    dnc::HRESULT GetMachineUpTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    dnc::HRESULT GetMachineRunningTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    // kInvalidAxis (0x8004027B) for an axis that is no spindle.
    dnc::HRESULT GetSpindleRunningTime(std::int32_t axisId, dnc::Variant* hours, dnc::Variant* minutes) override;

private:
    // The injected faults and the link first; `time` gives the nanoseconds
    // to report, or false when there is no such time.
    template <class Time>
    dnc::HRESULT report(std::string_view operation, dnc::Variant* hours, dnc::Variant* minutes, Time&& time);
};

}  // namespace dncsim
