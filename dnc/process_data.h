#pragma once
// Operating times of the CNC, each as hours and minutes (VT_I4 values).
#include <cstdint>

#include "dnc/object.h"
#include "dnc/variant.h"

namespace dnc {

class IJHProcessData : public virtual Object {
public:
    virtual HRESULT GetNcUpTime(Variant* hours, Variant* minutes) = 0;
    virtual HRESULT GetMachineUpTime(Variant* hours, Variant* minutes) = 0;
    virtual HRESULT GetMachineRunningTime(Variant* hours, Variant* minutes) = 0;
    virtual HRESULT GetSpindleRunningTime(std::int32_t axisId, Variant* hours, Variant* minutes) = 0;
};

}  // namespace dnc
