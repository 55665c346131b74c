#include "dnccom/error.h"

#include "dnccom/sinks.h"

namespace dnccom {

ComErrorEntry::ComErrorEntry(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

ComError::ComError(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComError::Advise(std::shared_ptr<dnc::IJHErrorEvents2> sink, std::uint32_t* cookie) {
    if (!sink) return E_POINTER;
    return sinks_.advise(dispatch(), kErrorEvents, errorEventSink(std::move(sink)), cookie);
}

dnc::HRESULT ComError::Unadvise(std::uint32_t cookie) { return sinks_.unadvise(dispatch(), kErrorEvents, cookie); }

}  // namespace dnccom
