// connect and disconnect.
#include <mutex>
#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/table_monitor.h"
#include "heidenhain/text/enum_names.h"

namespace heidenhain {
namespace {

// Two sessions never create or change SDK connections at the same time.
TimedMutex& connectLock() {
    static TimedMutex lock{LockRank::connect};
    return lock;
}

}  // namespace

bool SessionConnection::beginConnect(const std::string& entry, const std::string& controllerType) {
    logInformation("connect", context_.name + " (" + entry + ")");
    if (isConnected()) return false;
    setControllerType(controllerType);
    return true;
}

void SessionConnection::connect(const std::string& host, const std::string& controllerType,
                                const std::string& protocol) {
    if (!beginConnect(host + ", " + controllerType + ", " + protocol, controllerType)) return;
    const auto& controllers = controllerTypeMap();
    if (auto found = controllers.find(controllerType); found != controllers.end()) {
        const auto [cncType, required] = found->second;
        const int given = numberOf(protocolMap(), protocol);
        if (protocol.empty() || given == required) return connectWith(host, controllerType, cncType, required);
        const std::string message = "For the given controllerType=" + controllerType + " the specified protocol=" +
                                    protocol + " (=" + std::to_string(given) +
                                    ") is not allowed whereas to our knowledge it requires protocol=" +
                                    std::to_string(required);
        logError("connect", context_.name + " " + message);
        throw std::runtime_error(message);
    }
    if (!cncTypeMap().contains(controllerType)) throw std::runtime_error("Unknown cncType=" + controllerType);
    if (!protocolMap().contains(protocol)) throw std::runtime_error("Unknown protocol=" + protocol);
    connectWith(host, controllerType, cncTypeMap().at(controllerType), protocolMap().at(protocol));
}

void SessionConnection::connect(const std::string& host, const std::string& controllerType) {
    if (!beginConnect(host + ", " + controllerType, controllerType)) return;
    const auto& controllers = controllerTypeMap();
    auto found = controllers.find(controllerType);
    if (found == controllers.end()) throw std::runtime_error("Unknown controllerType=" + controllerType);
    connectWith(host, controllerType, found->second.cncType, found->second.protocol);
}

void SessionConnection::refuseWhileAwaitingDisconnection(const std::string& host) {
    if (!context_.flags.awaitingFinalDisconnection) return;
    const std::string message = "Cannot connect to " + host + " again, still awaiting final disconnection";
    logInformation("connect", context_.name + " " + message);
    throw std::runtime_error(message);
}

void SessionConnection::connectWith(const std::string& host, const std::string& controllerType, std::int32_t cncType,
                                    std::int32_t protocol) {
    // A disconnect still under way refuses the connect at once, not after it.
    refuseWhileAwaitingDisconnection(host);
    auto session = context_.guard.lock(context_.lifecycle, "Machine Connect to " + host, SDK_CALL_SITE);
    // Another connect of this session may have finished while this one waited.
    if (isConnected()) return;
    // A disconnect that failed part-way leaves the session awaiting.
    refuseWhileAwaitingDisconnection(host);
    // A disconnect that ended while this connect waited released the type with the machine object.
    setControllerType(controllerType);
    auto held = context_.guard.lock(connectLock(), "Machine Connect to " + host, SDK_CALL_SITE);
    try {
        connectLocked(host, cncType, protocol);
    } catch (const std::exception& e) {
        if (context_.flags.connected) {
            try {
                disconnectLocked();
            } catch (const std::exception&) {
                // Leaves the session awaiting its final disconnection; the
                // client still learns why the connect failed.
            }
        }
        releaseMachine();
        logWarning("connect", context_.name + " CNC connection failed because: " + e.what() + "\n");
        held.unlock();
        session.unlock();
        context_.events.settled(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
        throw std::runtime_error("CNC connection to " + host + " failed because: " + e.what() + "\n");
    }
}

void SessionConnection::connectLocked(const std::string& host, std::int32_t cncType, std::int32_t protocol) {
    machineInit();
    // A component that lacks some of what we use still connects; the functions
    // that need the rest fail naming it, and the log says so up front.
    if (const std::string gaps = dnc::machineFactory()->DescribeGaps(); !gaps.empty())
        logWarning("connect", context_.name + " " + gaps);
    ensureSdkConnection(host, cncType, protocol);
    // Waits until no other call of this session is inside the SDK.
    context_.guard.awaitIdle("0", SDK_CALL_SITE);
    auto machine = context_.machine.get();
    const dnc::HRESULT hr =
        context_.guard.call(lockedCall("_machine->Connect", SDK_CALL_SITE), [&] { return machine->Connect(host); })
            .code;
    if (hr == dnc::kNotOnLine) {
        throw std::runtime_error("The CNC IP address " + host + " could not be contacted. Maybe the machine is not online.\n");
    }
    if (dnc::failed(hr)) throw std::runtime_error(context_.guard.errorMessage("_machine->Connect", hr, SDK_CALL_SITE));
    context_.flags.connected = true;
    context_.flags.disconnectPending = false;
    const std::int32_t state = context_.readMachineState();
    logInformation("connect", context_.name + " connection established, machine state " +
                                  nameOf(machineStateMap(), state) + "(" + std::to_string(state) + ")");
    interfaces_.initializeInterfaces();
    monitor_.startMonitorThread();
    context_.presence.connected(host, context_.controllerType.get(), nameOf(machineStateMap(), state),
                                context_.sdkVersion.get());
}

void SessionConnection::disconnect() {
    if (!context_.flags.connected) return;
    auto session = context_.guard.lock(context_.lifecycle, "disconnect", SDK_CALL_SITE);
    disconnectLocked();
    session.unlock();
    // onDisconnectDone goes out before the reply, unless the broker holds it up.
    context_.events.settled(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
}

void SessionConnection::disconnectLocked() {
    if (!context_.flags.connected) return;
    logInformation("disconnect", context_.name);
    // Awaiting first, so that a loss reported meanwhile is not scheduled anew.
    context_.flags.awaitingFinalDisconnection = true;
    context_.flags.connected = false;
    context_.flags.disconnectPending = false;
    monitor_.stopMonitorThread();
    interfaces_.releaseInterfaces();
    disconnectMachine();
    releaseMachine();
    logInformation("disconnect", context_.name + ": CNC sucessfully disconnected");
    context_.flags.awaitingFinalDisconnection = false;
    context_.presence.disconnected();
    context_.raise(onDisconnectDone_, "");
}

void SessionConnection::disconnectMachine() {
    auto machine = context_.machine.get();
    if (!machine) return;
    const dnc::HRESULT hr =
        context_.guard.call(lockedCall("_machine->Disconnect()", SDK_CALL_SITE), [&] { return machine->Disconnect(); })
            .code;
    dnc::HRESULT failure = hr;
    if (hr == dnc::kNotOnLine) {
        logWarning("disconnect",
                   "On Shutdown not all created interfaces have been released. See Windows application event log for "
                   "details.");
        failure = context_.guard
                      .call(lockedCall("_machine->Disconnect()", SDK_CALL_SITE), [&] { return machine->Disconnect(); })
                      .code;
    }
    if (dnc::failed(failure)) logError("disconnect", "Error on _machine->Disconnect(), code 0x" + hexCode(failure));
}

}  // namespace heidenhain
