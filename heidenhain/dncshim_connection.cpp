// connect and disconnect.
#include <mutex>
#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/enum_names.h"

namespace heidenhain {
namespace {

// Two sessions never create or change SDK connections at the same time.
TimedMutex& connectLock() {
    static TimedMutex lock{LockRank::connect};
    return lock;
}

}  // namespace

bool DncShim::beginConnect(const std::string& entry, const std::string& controllerType) {
    logInformation("connect", name_ + " (" + entry + ")");
    if (isConnected()) return false;
    setControllerType(controllerType);
    return true;
}

void DncShim::connect(const std::string& host, const std::string& controllerType, const std::string& protocol) {
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
        logError("connect", name_ + " " + message);
        throw std::runtime_error(message);
    }
    if (!cncTypeMap().contains(controllerType)) throw std::runtime_error("Unknown cncType=" + controllerType);
    if (!protocolMap().contains(protocol)) throw std::runtime_error("Unknown protocol=" + protocol);
    connectWith(host, controllerType, cncTypeMap().at(controllerType), protocolMap().at(protocol));
}

void DncShim::connect(const std::string& host, const std::string& controllerType) {
    if (!beginConnect(host + ", " + controllerType, controllerType)) return;
    const auto& controllers = controllerTypeMap();
    auto found = controllers.find(controllerType);
    if (found == controllers.end()) throw std::runtime_error("Unknown controllerType=" + controllerType);
    connectWith(host, controllerType, found->second.cncType, found->second.protocol);
}

void DncShim::refuseWhileAwaitingDisconnection(const std::string& host) {
    if (!flags_.awaitingFinalDisconnection) return;
    const std::string message = "Cannot connect to " + host + " again, still awaiting final disconnection";
    logInformation("connect", name_ + " " + message);
    throw std::runtime_error(message);
}

void DncShim::connectWith(const std::string& host, const std::string& controllerType, std::int32_t cncType,
                          std::int32_t protocol) {
    // A disconnect still under way refuses the connect at once, not after it.
    refuseWhileAwaitingDisconnection(host);
    auto session = guard_.lock(lifecycle_, "Machine Connect to " + host, SDK_CALL_SITE);
    // Another connect of this session may have finished while this one waited.
    if (isConnected()) return;
    // A disconnect that failed part-way leaves the session awaiting.
    refuseWhileAwaitingDisconnection(host);
    // A disconnect that ended while this connect waited released the type with the machine object.
    setControllerType(controllerType);
    auto held = guard_.lock(connectLock(), "Machine Connect to " + host, SDK_CALL_SITE);
    try {
        connectLocked(host, cncType, protocol);
    } catch (const std::exception& e) {
        if (flags_.connected) {
            try {
                disconnectLocked();
            } catch (const std::exception&) {
                // Leaves the session awaiting its final disconnection; the
                // client still learns why the connect failed.
            }
        }
        releaseMachine();
        logWarning("connect", name_ + " CNC connection failed because: " + e.what() + "\n");
        held.unlock();
        session.unlock();
        events_.settled(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
        throw std::runtime_error("CNC connection to " + host + " failed because: " + e.what() + "\n");
    }
}

void DncShim::connectLocked(const std::string& host, std::int32_t cncType, std::int32_t protocol) {
    machineInit();
    // A component that lacks some of what we use still connects; the functions
    // that need the rest fail naming it, and the log says so up front.
    if (const std::string gaps = dnc::machineFactory()->DescribeGaps(); !gaps.empty())
        logWarning("connect", name_ + " " + gaps);
    ensureSdkConnection(host, cncType, protocol);
    // Waits until no other call of this session is inside the SDK.
    guard_.awaitIdle("0", SDK_CALL_SITE);
    auto machine = machine_.get();
    const dnc::HRESULT hr =
        guard_.call(lockedCall("_machine->Connect", SDK_CALL_SITE), [&] { return machine->Connect(host); }).code;
    if (hr == dnc::kNotOnLine) {
        throw std::runtime_error("The CNC IP address " + host + " could not be contacted. Maybe the machine is not online.\n");
    }
    if (dnc::failed(hr)) throw std::runtime_error(guard_.errorMessage("_machine->Connect", hr, SDK_CALL_SITE));
    flags_.connected = true;
    flags_.disconnectPending = false;
    const std::int32_t state = readMachineState();
    logInformation("connect", name_ + " connection established, machine state " + nameOf(machineStateMap(), state) +
                                  "(" + std::to_string(state) + ")");
    initializeInterfaces();
    startMonitorThread();
    presenceConnected(host, state);
}

void DncShim::disconnect() {
    if (!flags_.connected) return;
    auto session = guard_.lock(lifecycle_, "disconnect", SDK_CALL_SITE);
    disconnectLocked();
    session.unlock();
    // onDisconnectDone goes out before the reply, unless the broker holds it up.
    events_.settled(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
}

void DncShim::disconnectLocked() {
    if (!flags_.connected) return;
    logInformation("disconnect", name_);
    // Awaiting first, so that a loss reported meanwhile is not scheduled anew.
    flags_.awaitingFinalDisconnection = true;
    flags_.connected = false;
    flags_.disconnectPending = false;
    stopMonitorThread();
    releaseInterfaces();
    disconnectMachine();
    releaseMachine();
    logInformation("disconnect", name_ + ": CNC sucessfully disconnected");
    flags_.awaitingFinalDisconnection = false;
    presenceDisconnected();
    raise(onDisconnectDone_, "");
}

template <class Interface>
void DncShim::detachSink(const std::shared_ptr<Interface>& source, std::atomic<std::uint32_t>& cookie,
                         const char* event) {
    const std::uint32_t attached = cookie;
    if (!source || attached == 0) return;
    // Without the SDK lock: Unadvise waits for a handler still running, and
    // a handler may wait for that lock.
    const dnc::HRESULT hr = source->Unadvise(attached);
    cookie = 0;
    if (dnc::failed(hr)) logError("disconnect", std::string("Error on Unadvise(") + event + "), code 0x" + hexCode(hr));
}

void DncShim::releaseInterfaces() {
    detachSink(error_.get(), errorEventCookie_, "IJHErrorEvent");
    error_.set(nullptr);
    detachSink(automatic_.get(), automaticEventCookie_, "IJHAutomaticEvent");
    automatic_.set(nullptr);
    fileSystem_.set(nullptr);
    itncTable_.set(nullptr);
    detachSink(dataAccess_.get(), dataAccessEventCookie_, "IJHDataAccessEvent");
    dataAccess_.set(nullptr);
    processData_.set(nullptr);
    detachSink(machine_.get(), machineEventCookie_, "IJHMachineEvent");
}

void DncShim::disconnectMachine() {
    auto machine = machine_.get();
    if (!machine) return;
    const dnc::HRESULT hr =
        guard_.call(lockedCall("_machine->Disconnect()", SDK_CALL_SITE), [&] { return machine->Disconnect(); }).code;
    dnc::HRESULT failure = hr;
    if (hr == dnc::kNotOnLine) {
        logWarning("disconnect",
                   "On Shutdown not all created interfaces have been released. See Windows application event log for "
                   "details.");
        failure =
            guard_.call(lockedCall("_machine->Disconnect()", SDK_CALL_SITE), [&] { return machine->Disconnect(); })
                .code;
    }
    if (dnc::failed(failure)) logError("disconnect", "Error on _machine->Disconnect(), code 0x" + hexCode(failure));
}

}  // namespace heidenhain
