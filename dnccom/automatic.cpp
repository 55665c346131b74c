#include "dnccom/automatic.h"

#include "dnccom/sinks.h"

namespace dnccom {

ComToolId::ComToolId(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

ComAutomatic::ComAutomatic(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComAutomatic::callWith(const char* method, std::int32_t value) const {
    const Var given = Var::i4(value);
    return call(method, {in(given)});
}

dnc::HRESULT ComAutomatic::SelectProgram(std::int32_t channel, const std::string& programName,
                                    const dnc::Variant& startBlock) {
    const Var at = Var::i4(channel);
    const Var name = Var::text(programName);
    const Var block = Var::from(startBlock);
    return call("SelectProgram", {in(at), in(name), in(block)});
}

dnc::HRESULT ComAutomatic::StartProgram(const std::string& programName, const dnc::Variant& options) {
    const Var name = Var::text(programName);
    const Var given = Var::from(options);
    return call("StartProgram", {in(name), in(given)});
}

dnc::HRESULT ComAutomatic::StopProgram(std::int32_t channel, dnc::VariantBool atBlockEnd) {
    const Var at = Var::i4(channel);
    const Var end = Var::boolean(atBlockEnd);
    return call("StopProgram", {in(at), in(end)});
}

dnc::HRESULT ComAutomatic::GetExecutionPoint(dnc::Variant* selectedProgram, std::shared_ptr<dnc::Object>* positionList) {
    if (selectedProgram == nullptr || positionList == nullptr) return E_POINTER;
    Var program;
    Var position;
    const HRESULT hr = call("GetExecutionPoint", {out(program), out(position)});
    if (FAILED(hr)) return hr;
    *selectedProgram = program.toDnc();
    auto object = ComPtr<IUnknown>::attach(position.takeUnknown());
    *positionList = object ? std::make_shared<UnknownObject>(std::move(object)) : nullptr;
    return hr;
}

dnc::HRESULT ComAutomatic::GetOverrideInfo(dnc::Variant* feed, dnc::Variant* speed, dnc::Variant* rapid) {
    if (feed == nullptr || speed == nullptr || rapid == nullptr) return E_POINTER;
    Var feedValue, speedValue, rapidValue;
    HRESULT hr = call("GetOverrideInfo", {out(feedValue), out(speedValue), out(rapidValue)});
    assign(hr, feedValue, feed);
    assign(hr, speedValue, speed);
    return assign(hr, rapidValue, rapid);
}

dnc::HRESULT ComAutomatic::Advise(std::shared_ptr<dnc::IJHAutomaticEvents3> sink, std::uint32_t* cookie) {
    if (!sink) return E_POINTER;
    return sinks_.advise(dispatch(), kAutomaticEvents, automaticEventSink(std::move(sink)), cookie);
}

dnc::HRESULT ComAutomatic::Unadvise(std::uint32_t cookie) { return sinks_.unadvise(dispatch(), kAutomaticEvents, cookie); }

}  // namespace dnccom
