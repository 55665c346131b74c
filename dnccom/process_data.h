#pragma once
// The component's operating times.
#include "dnc/process_data.h"
#include "dnccom/object.h"

namespace dnccom {

class ComProcessData final : public dnc::IJHProcessData, public ComObject {
public:
    static constexpr const char* kInterface = "IJHProcessData";
    explicit ComProcessData(ComPtr<IDispatch> object);
    dnc::HRESULT GetNcUpTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    dnc::HRESULT GetMachineUpTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    dnc::HRESULT GetMachineRunningTime(dnc::Variant* hours, dnc::Variant* minutes) override;
    dnc::HRESULT GetSpindleRunningTime(std::int32_t axisId, dnc::Variant* hours, dnc::Variant* minutes) override;

private:
    dnc::HRESULT time(const char* method, const Var* axis, dnc::Variant* hours, dnc::Variant* minutes) const;
};

}  // namespace dnccom
