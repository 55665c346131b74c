// The SDK interfaces and event sinks that a session takes after connecting.
// Each is optional: a missing one is a warning, and the functions that need
// it fail with the guard's interface message.
#include <stdexcept>

#include "heidenhain/automatic_sink.h"
#include "heidenhain/controller_kind.h"
#include "heidenhain/data_access_sink.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/error_sink.h"
#include "heidenhain/machine_sink.h"
#include "heidenhain/session_log.h"
#include "heidenhain/enum_names.h"
#include "platform/directory.h"
#include "platform/process_exit.h"
#include "platform/steady_clock.h"

namespace heidenhain {
namespace {

// GetInterface of DataAccess beyond this means a broken SDK; only a restart helps.
constexpr std::int64_t kDataAccessLimitNs = 1600LL * 1000 * 1000;

}  // namespace

void DncShim::initializeInterfaces() {
    auto machine = machine_.get();
    std::string version;
    guard_.run({"_machine->GetVersionComInterface(&str)", SDK_CALL_SITE},
               [&] { return machine->GetVersionComInterface(&version); });
    sdkVersion_.set(version);
    if (readMachineState() == dnc::DNC_STATE_DNC_IS_AVAILABLE) {
        const std::string message =
            "Machine not yet sufficently booted up (state dnc_is_available(4)); need to try again later";
        logWarning("initializeInterfaces", name_ + " " + message);
        throw std::runtime_error(message);
    }
    attachMachineSink();
    obtainInterface(processData_, "_processData", ": Interface DNC_INTERFACE_JHPROCESSDATA not available on machine",
                    [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHPROCESSDATA, "DNC_INTERFACE_JHPROCESSDATA"); });
    if (obtainInterface(dataAccess_, "_dataAccess", ": Interface DNC_INTERFACE_JHDATAACCESS not available on machine",
                        [&] { return getDataAccessObject(); })) {
        attachDataAccessSink();
    }
    if (usesItncTable(controllerType_.get())) {
        obtainInterface(itncTable_, "_itncTable", ": Interface DNC_INTERFACE_TNCTABLE not available on machine",
                        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_TNCTABLE, "DNC_INTERFACE_TNCTABLE"); });
    }
    if (!fileSystem_.get()) {
        createTmpDirectory();
        obtainInterface(fileSystem_, "_fileSystem", ": Interface DNC_INTERFACE_JHFILESYSTEM is not available on machine",
                        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHFILESYSTEM, "DNC_INTERFACE_JHFILESYSTEM"); });
    }
    if (obtainInterface(automatic_, "_automatic", "Interface DNC_INTERFACE_JHAUTOMATIC is not available on machine",
                        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHAUTOMATIC, "DNC_INTERFACE_JHAUTOMATIC"); })) {
        attachAutomaticSink();
    }
    if (obtainInterface(error_, "_error", ": Interface DNC_INTERFACE_JHERROR not available on machine",
                        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHERROR, "DNC_INTERFACE_JHERROR"); })) {
        attachErrorSink();
    }
    const std::int32_t state = readMachineState();
    logInformation("initializeInterfaces", name_ + " " + controllerType_.get() + " interfaces initialized:" +
                                               interfaceFlagsText() + ", current state " +
                                               nameOf(machineStateMap(), state) + "(" + std::to_string(state) + ")");
}

void DncShim::attachMachineSink() {
    if (machineEventCookie_ != 0) return;
    try {
        auto machineSink = std::make_shared<CMachineSink>(*this);
        if (auto old = machineSink_.exchange(machineSink)) old->detach();
        auto machine = machine_.get();
        std::uint32_t cookie = 0;
        guard_.run(
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

void DncShim::attachAutomaticSink() {
    try {
        auto automaticSink = std::make_shared<CAutomaticSink>(*this);
        if (auto old = automaticSink_.exchange(automaticSink)) old->detach();
        auto automatic = automatic_.get();
        std::uint32_t cookie = 0;
        guard_.run({"_automatic.Advise(reinterpret_cast<IUnknown*>(automaticSink), "
                    "HeidenhainDNCLib::IID__IJHAutomaticEvents3, &_automaticEventCookie)",
                    SDK_CALL_SITE},
                   [&] { return automatic->Advise(automaticSink, &cookie); });
        automaticEventCookie_ = cookie;
    } catch (const std::exception& e) {
        automaticEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register AutomaticEvents listener", e);
    }
}

void DncShim::attachErrorSink() {
    try {
        auto errorSink = std::make_shared<CErrorSink>(*this);
        if (auto old = errorSink_.exchange(errorSink)) old->detach();
        auto error = error_.get();
        std::uint32_t cookie = 0;
        guard_.run({"_error.Advise(reinterpret_cast<IUnknown*>(errorSink), HeidenhainDNCLib::IID__IJHErrorEvents2, "
                    "&_errorEventCookie)",
                    SDK_CALL_SITE},
                   [&] { return error->Advise(errorSink, &cookie); });
        errorEventCookie_ = cookie;
    } catch (const std::exception& e) {
        errorEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register ErrorEvents listener", e);
    }
}

template <class Interface, class GetObject>
bool DncShim::obtainInterface(LockedValue<std::shared_ptr<Interface>>& slot, const std::string& member,
                              const std::string& warning, GetObject&& getObject) {
    if (slot.get()) return false;
    try {
        auto tmp = getObject();
        if (!tmp) return false;
        std::shared_ptr<Interface> typed;
        guard_.run({"tmp->QueryInterface(__uuidof(" + member + "), (void**)&" + member + ")", SDK_CALL_SITE},
                   [&] { return tmp->QueryInterface(&typed); });
        slot.set(std::move(typed));
        return true;
    } catch (const std::exception& e) {
        slot.set(nullptr);
        warnInterfaceSetup(warning, e);
        return false;
    }
}

std::shared_ptr<dnc::Object> DncShim::getInterfaceObject(dnc::DNC_INTERFACE_OBJECT kind, const std::string& kindName) {
    auto machine = machine_.get();
    std::shared_ptr<dnc::Object> tmp;
    guard_.run({"_machine->GetInterface(" + kindName + ", &tmp)", SDK_CALL_SITE},
               [&] { return machine->GetInterface(kind, &tmp); });
    return tmp;
}

std::shared_ptr<dnc::Object> DncShim::getDataAccessObject() {
    const std::int64_t start = platform::steadyNowNs();
    auto tmp = getInterfaceObject(dnc::DNC_INTERFACE_JHDATAACCESS, "DNC_INTERFACE_JHDATAACCESS");
    const std::int64_t elapsedNs = platform::steadyNowNs() - start;
    if (elapsedNs <= kDataAccessLimitNs) return tmp;
    logWarning("initializeInterfaces", name_ + " GetInterface(DataAccess) takes unusually long, " +
                                           std::to_string(elapsedNs / (1000 * 1000)) +
                                           " ms. This is a SDK error. We will restart the agent now.");
    platform::exitProcess(-1);
    return nullptr;
}

void DncShim::createTmpDirectory() {
    // Transfer files of the file system functions live there.
    const auto made = platform::makeDirectory("tmp");
    if (made.status != platform::MakeDirectoryResult::Failed) return;
    logError("initializeInterfaces",
             name_ + ": Error on creating \"tmp\" directory, code " + std::to_string(made.systemError));
}

void DncShim::warnInterfaceSetup(const std::string& text, const std::exception& e) {
    logWarning("initializeInterfaces", name_ + text + " (" + e.what() + ")");
}

std::string DncShim::interfaceFlagsText() {
    const nlohmann::json available = getAvailableInterfaces();
    std::string text;
    // Plain iterators: structured bindings over items() read dangling values
    // with this JSON library version at -O2.
    for (auto it = available.begin(); it != available.end(); ++it) {
        text += (text.empty() ? " " : ", ") + it.key() + " " + (it.value().get<bool>() ? "1" : "0");
    }
    return text;
}

}  // namespace heidenhain
