// The event sinks of a session: attached with their interfaces after
// connecting, detached from the SDK at disconnect, and cut off from the
// session when it goes away.
#include "heidenhain/automatic_sink.h"
#include "heidenhain/data_access_sink.h"
#include "heidenhain/error_sink.h"
#include "heidenhain/machine_sink.h"
#include "heidenhain/session_interfaces.h"
#include "heidenhain/session_log.h"

namespace heidenhain {

void SessionInterfaces::attachMachineSink() {
    if (machineEventCookie_ != 0) return;
    try {
        auto machineSink = std::make_shared<CMachineSink>(session_);
        if (auto old = machineSink_.exchange(machineSink)) old->detach();
        auto machine = context_.machine.get();
        std::uint32_t cookie = 0;
        context_.guard.run(
            {"_machine.Advise(reinterpret_cast<IUnknown*>(machineSink), HeidenhainDNCLib::IID__IJHMachineEvents2, "
             "&_machineEventCookie)",
             SDK_CALL_SITE},
            [&] { return machine->Advise(machineSink, &cookie); });
        machineEventCookie_ = cookie;
    } catch (const std::exception& e) {
        machineEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register MachineEvents listener", e);
    }
}

void SessionInterfaces::attachAutomaticSink() {
    try {
        auto automaticSink = std::make_shared<CAutomaticSink>(session_);
        if (auto old = automaticSink_.exchange(automaticSink)) old->detach();
        auto automatic = context_.automatic.get();
        std::uint32_t cookie = 0;
        context_.guard.run({"_automatic.Advise(reinterpret_cast<IUnknown*>(automaticSink), "
                            "HeidenhainDNCLib::IID__IJHAutomaticEvents3, &_automaticEventCookie)",
                            SDK_CALL_SITE},
                           [&] { return automatic->Advise(automaticSink, &cookie); });
        automaticEventCookie_ = cookie;
    } catch (const std::exception& e) {
        automaticEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register AutomaticEvents listener", e);
    }
}

void SessionInterfaces::attachErrorSink() {
    try {
        auto errorSink = std::make_shared<CErrorSink>(session_);
        if (auto old = errorSink_.exchange(errorSink)) old->detach();
        auto error = context_.error.get();
        std::uint32_t cookie = 0;
        context_.guard.run(
            {"_error.Advise(reinterpret_cast<IUnknown*>(errorSink), HeidenhainDNCLib::IID__IJHErrorEvents2, "
             "&_errorEventCookie)",
             SDK_CALL_SITE},
            [&] { return error->Advise(errorSink, &cookie); });
        errorEventCookie_ = cookie;
    } catch (const std::exception& e) {
        errorEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register ErrorEvents listener", e);
    }
}

void SessionInterfaces::attachDataAccessSink() {
    try {
        auto dataSink = std::make_shared<CDataAccessSink>(session_);
        if (auto old = dataAccessSink_.exchange(dataSink)) old->detach();
        auto access = context_.dataAccess.get();
        std::uint32_t cookie = 0;
        context_.guard.run(
            {"_dataAccess.Advise(reinterpret_cast<IUnknown*>(dataSink), HeidenhainDNCLib::IID__IJHDataAccessEvents2, "
             "&_dataAccessEventCookie)",
             SDK_CALL_SITE},
            [&] { return access->Advise(dataSink, &cookie); });
        dataAccessEventCookie_ = cookie;
    } catch (const std::exception& e) {
        dataAccessEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register DataAccessEvent listener", e);
    }
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
