// The SDK interfaces that a session takes after connecting (their sinks are
// in session_sinks.cpp), and which of them it holds.
#include <stdexcept>

#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/text/enum_names.h"
#include "platform/directory.h"
#include "platform/process_exit.h"
#include "platform/steady_clock.h"

namespace heidenhain {
namespace {

// GetInterface of DataAccess beyond this means a broken SDK; only a restart helps.
constexpr std::int64_t kDataAccessLimitNs = 1600LL * 1000 * 1000;

}  // namespace

void SessionInterfaces::obtainTableInterface() {
    obtainInterface(context_.itncTable, "_itncTable", ": Interface DNC_INTERFACE_TNCTABLE not available on machine",
                    [&] { return getInterfaceObject(dnc::DNC_INTERFACE_TNCTABLE, "DNC_INTERFACE_TNCTABLE"); });
}

void SessionInterfaces::initializeInterfaces() {
    auto machine = context_.machine.get();
    std::string version;
    context_.guard.run({"_machine->GetVersionComInterface(&str)", SDK_CALL_SITE},
                       [&] { return machine->GetVersionComInterface(&version); });
    context_.sdkVersion.set(version);
    if (context_.readMachineState() == dnc::DNC_STATE_DNC_IS_AVAILABLE) {
        const std::string message =
            "Machine not yet sufficently booted up (state dnc_is_available(4)); need to try again later";
        logWarning("initializeInterfaces", context_.name + " " + message);
        throw std::runtime_error(message);
    }
    attachMachineSink();
    obtainInterface(
        context_.processData, "_processData", ": Interface DNC_INTERFACE_JHPROCESSDATA not available on machine",
        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHPROCESSDATA, "DNC_INTERFACE_JHPROCESSDATA"); });
    if (obtainInterface(context_.dataAccess, "_dataAccess",
                        ": Interface DNC_INTERFACE_JHDATAACCESS not available on machine",
                        [&] { return getDataAccessObject(); })) {
        attachDataAccessSink();
    }
    context_.family.get()->obtainInterfaces(*this);
    if (!context_.fileSystem.get()) {
        createTmpDirectory();
        obtainInterface(
            context_.fileSystem, "_fileSystem", ": Interface DNC_INTERFACE_JHFILESYSTEM is not available on machine",
            [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHFILESYSTEM, "DNC_INTERFACE_JHFILESYSTEM"); });
    }
    if (obtainInterface(
            context_.automatic, "_automatic", "Interface DNC_INTERFACE_JHAUTOMATIC is not available on machine",
            [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHAUTOMATIC, "DNC_INTERFACE_JHAUTOMATIC"); })) {
        attachAutomaticSink();
    }
    if (obtainInterface(context_.error, "_error", ": Interface DNC_INTERFACE_JHERROR not available on machine",
                        [&] { return getInterfaceObject(dnc::DNC_INTERFACE_JHERROR, "DNC_INTERFACE_JHERROR"); })) {
        attachErrorSink();
    }
    const std::int32_t state = context_.readMachineState();
    logInformation("initializeInterfaces", context_.name + " " + context_.controllerType.get() +
                                               " interfaces initialized:" + interfaceFlagsText() + ", current state " +
                                               nameOf(machineStateMap(), state) + "(" + std::to_string(state) + ")");
}

template <class Interface, class GetObject>
bool SessionInterfaces::obtainInterface(LockedValue<std::shared_ptr<Interface>>& slot, const std::string& member,
                                        const std::string& warning, GetObject&& getObject) {
    if (slot.get()) return false;
    try {
        auto tmp = getObject();
        if (!tmp) return false;
        std::shared_ptr<Interface> typed;
        context_.guard.run({"tmp->QueryInterface(__uuidof(" + member + "), (void**)&" + member + ")", SDK_CALL_SITE},
                           [&] { return tmp->QueryInterface(&typed); });
        slot.set(std::move(typed));
        return true;
    } catch (const std::exception& e) {
        slot.set(nullptr);
        warnInterfaceSetup(warning, e);
        return false;
    }
}

std::shared_ptr<dnc::Object> SessionInterfaces::getInterfaceObject(dnc::DNC_INTERFACE_OBJECT kind,
                                                                   const std::string& kindName) {
    auto machine = context_.machine.get();
    std::shared_ptr<dnc::Object> tmp;
    context_.guard.run({"_machine->GetInterface(" + kindName + ", &tmp)", SDK_CALL_SITE},
                       [&] { return machine->GetInterface(kind, &tmp); });
    return tmp;
}

std::shared_ptr<dnc::Object> SessionInterfaces::getDataAccessObject() {
    const std::int64_t start = platform::steadyNowNs();
    auto tmp = getInterfaceObject(dnc::DNC_INTERFACE_JHDATAACCESS, "DNC_INTERFACE_JHDATAACCESS");
    const std::int64_t elapsedNs = platform::steadyNowNs() - start;
    if (elapsedNs <= kDataAccessLimitNs) return tmp;
    logWarning("initializeInterfaces", context_.name + " GetInterface(DataAccess) takes unusually long, " +
                                           std::to_string(elapsedNs / (1000 * 1000)) +
                                           " ms. This is a SDK error. We will restart the agent now.");
    platform::exitProcess(-1);
    return nullptr;
}

void SessionInterfaces::createTmpDirectory() {
    // Transfer files of the file system functions live there.
    const auto made = platform::makeDirectory("tmp");
    if (made.status != platform::MakeDirectoryResult::Failed) return;
    logError("initializeInterfaces",
             context_.name + ": Error on creating \"tmp\" directory, code " + std::to_string(made.systemError));
}

void SessionInterfaces::warnInterfaceSetup(const std::string& text, const std::exception& e) {
    logWarning("initializeInterfaces", context_.name + text + " (" + e.what() + ")");
}

std::string SessionInterfaces::interfaceFlagsText() {
    const nlohmann::json available = getAvailableInterfaces();
    std::string text;
    // Plain iterators: structured bindings over items() read dangling values
    // with this JSON library version at -O2.
    for (auto it = available.begin(); it != available.end(); ++it) {
        text += (text.empty() ? " " : ", ") + it.key() + " " + (it.value().get<bool>() ? "1" : "0");
    }
    return text;
}

nlohmann::json SessionInterfaces::getAvailableInterfaces() {
    return {
        {"automaticEvents", hasAutomaticEvents()},
        {"automaticInterface", hasAutomaticInterface()},
        {"dataAccessEvents", hasDataAccessEvents()},
        {"dataAccessInterface", hasDataAccessInterface()},
        {"errorEvents", hasErrorEvents()},
        {"errorInterface", hasErrorInterface()},
        {"fileSystemInterface", hasFileSystemInterface()},
        {"itncTableInterface", hasItncTableInterface()},
        {"machineEvents", hasMachineEvents()},
        // Reports the process data reference, as clients have always read it.
        {"machineInterface", hasProcessDataInterface()},
    };
}

bool SessionInterfaces::hasAutomaticEvents() { return automaticEventCookie_ != 0; }
bool SessionInterfaces::hasAutomaticInterface() { return context_.automatic.get() != nullptr; }
bool SessionInterfaces::hasDataAccessEvents() { return dataAccessEventCookie_ != 0; }
bool SessionInterfaces::hasDataAccessInterface() { return context_.dataAccess.get() != nullptr; }
bool SessionInterfaces::hasErrorEvents() { return errorEventCookie_ != 0; }
bool SessionInterfaces::hasErrorInterface() { return context_.error.get() != nullptr; }
bool SessionInterfaces::hasFileSystemInterface() { return context_.fileSystem.get() != nullptr; }
bool SessionInterfaces::hasItncTableInterface() { return context_.itncTable.get() != nullptr; }
bool SessionInterfaces::hasMachineEvents() { return machineEventCookie_ != 0; }
bool SessionInterfaces::hasProcessDataInterface() { return context_.processData.get() != nullptr; }

}  // namespace heidenhain
