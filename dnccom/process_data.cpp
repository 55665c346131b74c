#include "dnccom/process_data.h"

namespace dnccom {

ComProcessData::ComProcessData(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComProcessData::time(const char* method, const Var* axis, dnc::Variant* hours, dnc::Variant* minutes) const {
    if (hours == nullptr || minutes == nullptr) return E_POINTER;
    Var hourValue, minuteValue;
    const HRESULT hr = axis ? call(method, {in(*axis), out(hourValue), out(minuteValue)})
                            : call(method, {out(hourValue), out(minuteValue)});
    assign(hr, hourValue, hours);
    return assign(hr, minuteValue, minutes);
}

dnc::HRESULT ComProcessData::GetNcUpTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return time("GetNcUpTime", nullptr, hours, minutes);
}

dnc::HRESULT ComProcessData::GetMachineUpTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return time("GetMachineUpTime", nullptr, hours, minutes);
}

dnc::HRESULT ComProcessData::GetMachineRunningTime(dnc::Variant* hours, dnc::Variant* minutes) {
    return time("GetMachineRunningTime", nullptr, hours, minutes);
}

dnc::HRESULT ComProcessData::GetSpindleRunningTime(std::int32_t axisId, dnc::Variant* hours, dnc::Variant* minutes) {
    const Var axis = Var::i4(axisId);
    return time("GetSpindleRunningTime", &axis, hours, minutes);
}

}  // namespace dnccom
