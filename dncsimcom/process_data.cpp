// Operating times of the simulated component.
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class ProcessData final : public ServerObject<IJHProcessData> {
public:
    explicit ProcessData(std::shared_ptr<dnc::IJHProcessData> data) : data_(std::move(data)) {}
    HRESULT STDMETHODCALLTYPE GetNcUpTime(VARIANT* hours, VARIANT* minutes) override {
        return time(&dnc::IJHProcessData::GetNcUpTime, hours, minutes);
    }
    HRESULT STDMETHODCALLTYPE GetMachineUpTime(VARIANT* hours, VARIANT* minutes) override {
        return time(&dnc::IJHProcessData::GetMachineUpTime, hours, minutes);
    }
    HRESULT STDMETHODCALLTYPE GetMachineRunningTime(VARIANT* hours, VARIANT* minutes) override {
        return time(&dnc::IJHProcessData::GetMachineRunningTime, hours, minutes);
    }
    HRESULT STDMETHODCALLTYPE GetSpindleRunningTime(LONG axis, VARIANT* hours, VARIANT* minutes) override {
        dnc::Variant h, m;
        const HRESULT hr = data_->GetSpindleRunningTime(axis, &h, &m);
        giveVariant(hr, h, hours);
        return giveVariant(hr, m, minutes);
    }

private:
    HRESULT time(dnc::HRESULT (dnc::IJHProcessData::*read)(dnc::Variant*, dnc::Variant*), VARIANT* hours,
                 VARIANT* minutes) {
        dnc::Variant h, m;
        const HRESULT hr = ((*data_).*read)(&h, &m);
        giveVariant(hr, h, hours);
        return giveVariant(hr, m, minutes);
    }
    std::shared_ptr<dnc::IJHProcessData> data_;
};

}  // namespace

IJHProcessData* newProcessData(std::shared_ptr<dnc::IJHProcessData> processData) {
    return processData ? new ProcessData(std::move(processData)) : nullptr;
}

}  // namespace dncsimcom
