// Queries, event registrations and the reaction to machine state events.
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/enum_names.h"

namespace heidenhain {

bool DncShim::isConnected() { return guard_.isConnected(); }

std::string DncShim::getAgentVersion() { return "4.0.3"; }

int DncShim::setSdkMutexTimeout(int seconds) { return SdkGuard::setSdkMutexTimeout(seconds); }

int DncShim::getSdkMutexTimeout() { return SdkGuard::getSdkMutexTimeout(); }

std::int32_t DncShim::readMachineState() {
    auto machine = machine_.get();
    std::int32_t state = 0;
    guard_.run({"_machine->GetState(&state)", SDK_CALL_SITE}, [&] { return machine->GetState(&state); });
    return state;
}

std::string DncShim::getState() { return nameOf(machineStateMap(), readMachineState()); }

std::string DncShim::getVersion() {
    if (!isConnected()) throw std::runtime_error(SdkGuard::notConnectedMessage("getVersion", SDK_CALL_SITE));
    return sdkVersion_.get();
}

nlohmann::json DncShim::getAvailableInterfaces() {
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

bool DncShim::hasAutomaticEvents() { return automaticEventCookie_ != 0; }
bool DncShim::hasAutomaticInterface() { return automatic_.get() != nullptr; }
bool DncShim::hasDataAccessEvents() { return dataAccessEventCookie_ != 0; }
bool DncShim::hasDataAccessInterface() { return dataAccess_.get() != nullptr; }
bool DncShim::hasErrorEvents() { return errorEventCookie_ != 0; }
bool DncShim::hasErrorInterface() { return error_.get() != nullptr; }
bool DncShim::hasFileSystemInterface() { return fileSystem_.get() != nullptr; }
bool DncShim::hasItncTableInterface() { return itncTable_.get() != nullptr; }
bool DncShim::hasMachineEvents() { return machineEventCookie_ != 0; }
bool DncShim::hasProcessDataInterface() { return processData_.get() != nullptr; }

void DncShim::onStateChanged(nolt::Callback<std::string> callback) { onStateChanged_.set(std::move(callback)); }
void DncShim::onConnectLost(nolt::Callback<std::string> callback) { onConnectLost_.set(std::move(callback)); }
void DncShim::onDisconnectDone(nolt::Callback<std::string> callback) { onDisconnectDone_.set(std::move(callback)); }

void DncShim::onMachineStateChanged(std::int32_t stateEvent) {
    const std::string event = nameOf(machineEventMap(), stateEvent);
    const bool shutdown = stateEvent >= dnc::DNC_EVT_STATE_MACHINE_SHUTTING_DOWN &&
                          stateEvent <= dnc::DNC_EVT_STATE_CONNECTION_LOST;
    if (shutdown) {
        logWarning("onMachineStateChanged", name_ + ": Machine state changed into shutdown (" + event + ").");
        scheduleDisconnect();
    } else {
        logInformation("onMachineStateChanged", name_ + ": " + event);
    }
    presenceStateChanged(stateAfterEvent(stateEvent));
    raise(onStateChanged_, event);
}

void DncShim::scheduleDisconnect() {
    if (flags_.awaitingFinalDisconnection) return;
    // Several threads may notice the loss at once; one of them reports it.
    bool pending = false;
    if (!flags_.disconnectPending.compare_exchange_strong(pending, true)) return;
    logInformation("scheduleDisconnect", name_ + " Triggering machine disconnect");
    presenceStateChanged("connection_lost");
    raise(onConnectLost_, "");
}

}  // namespace heidenhain
