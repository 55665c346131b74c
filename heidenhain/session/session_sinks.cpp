// The event sinks of a session: attached with their interfaces after
// connecting, detached from the SDK at disconnect, and cut off from the
// session when it goes away.
#include "heidenhain/events/automatic_sink.h"
#include "heidenhain/events/data_access_sink.h"
#include "heidenhain/events/error_sink.h"
#include "heidenhain/events/machine_sink.h"
#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {

template <class Sink, class Interface, class Target>
void SessionInterfaces::attachSink(LockedValue<std::shared_ptr<Sink>>& slot,
                                   const LockedValue<std::shared_ptr<Interface>>& source, Target& target,
                                   std::atomic<std::uint32_t>& cookie, const char* advise, const char* warning) {
    try {
        auto sink = std::make_shared<Sink>(target, context_.name);
        if (auto old = slot.exchange(sink)) old->detach();
        auto events = source.get();
        std::uint32_t attached = 0;
        context_.guard.run({advise, SDK_CALL_SITE}, [&] { return events->Advise(sink, &attached); });
        cookie = attached;
    } catch (const std::exception& e) {
        cookie = 0;
        warnInterfaceSetup(warning, e);
    }
}

void SessionInterfaces::attachMachineSink() {
    if (machineEventCookie_ != 0) return;
    attachSink(machineSink_, context_.machine, targets_.connection, machineEventCookie_,
               "_machine.Advise(reinterpret_cast<IUnknown*>(machineSink), HeidenhainDNCLib::IID__IJHMachineEvents2, "
               "&_machineEventCookie)",
               ": Cannot register MachineEvents listener");
}

void SessionInterfaces::attachAutomaticSink() {
    attachSink(automaticSink_, context_.automatic, targets_.programEvents, automaticEventCookie_,
               "_automatic.Advise(reinterpret_cast<IUnknown*>(automaticSink), "
               "HeidenhainDNCLib::IID__IJHAutomaticEvents3, &_automaticEventCookie)",
               ": Cannot register AutomaticEvents listener");
}

void SessionInterfaces::attachErrorSink() {
    attachSink(errorSink_, context_.error, context_.guard, errorEventCookie_,
               "_error.Advise(reinterpret_cast<IUnknown*>(errorSink), HeidenhainDNCLib::IID__IJHErrorEvents2, "
               "&_errorEventCookie)",
               ": Cannot register ErrorEvents listener");
}

void SessionInterfaces::attachDataAccessSink() {
    attachSink(dataAccessSink_, context_.dataAccess, targets_.data, dataAccessEventCookie_,
               "_dataAccess.Advise(reinterpret_cast<IUnknown*>(dataSink), HeidenhainDNCLib::IID__IJHDataAccessEvents2, "
               "&_dataAccessEventCookie)",
               ": Cannot register DataAccessEvent listener");
}

template <class Interface>
void SessionInterfaces::detachSink(const std::shared_ptr<Interface>& source, std::atomic<std::uint32_t>& cookie,
                                   const char* event) {
    const std::uint32_t attached = cookie;
    if (!source || attached == 0) return;
    // Without the SDK lock: Unadvise waits for a handler still running, and
    // a handler may wait for that lock.
    const dnc::HRESULT hr = source->Unadvise(attached);
    cookie = 0;
    if (dnc::failed(hr)) logError("disconnect", std::string("Error on Unadvise(") + event + "), code 0x" + hexCode(hr));
}

void SessionInterfaces::releaseInterfaces() {
    detachSink(context_.error.get(), errorEventCookie_, "IJHErrorEvent");
    context_.error.set(nullptr);
    detachSink(context_.automatic.get(), automaticEventCookie_, "IJHAutomaticEvent");
    context_.automatic.set(nullptr);
    context_.fileSystem.set(nullptr);
    context_.itncTable.set(nullptr);
    detachSink(context_.dataAccess.get(), dataAccessEventCookie_, "IJHDataAccessEvent");
    context_.dataAccess.set(nullptr);
    context_.processData.set(nullptr);
    detachSink(context_.machine.get(), machineEventCookie_, "IJHMachineEvent");
}

void SessionInterfaces::detachSinks() {
    if (auto sink = machineSink_.get()) sink->detach();
    if (auto sink = automaticSink_.get()) sink->detach();
    if (auto sink = errorSink_.get()) sink->detach();
    if (auto sink = dataAccessSink_.get()) sink->detach();
}

}  // namespace heidenhain
