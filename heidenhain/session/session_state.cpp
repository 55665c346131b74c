// Queries, event registrations and the reaction to machine state events.
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/text/enum_names.h"

namespace heidenhain {

bool SessionConnection::isConnected() { return context_.guard.isConnected(); }

std::string SessionConnection::getAgentVersion() { return "4.0.3"; }

int SessionConnection::setSdkMutexTimeout(int seconds) { return SdkGuard::setSdkMutexTimeout(seconds); }

int SessionConnection::getSdkMutexTimeout() { return SdkGuard::getSdkMutexTimeout(); }

std::string SessionConnection::getState() { return context_.machineState(); }

std::string SessionConnection::getVersion() {
    if (!isConnected()) throw std::runtime_error(SdkGuard::notConnectedMessage("getVersion", SDK_CALL_SITE));
    return context_.sdkVersion.get();
}

void SessionConnection::onStateChanged(nolt::Callback<std::string> callback) {
    onStateChanged_.set(std::move(callback));
}
void SessionConnection::onConnectLost(nolt::Callback<std::string> callback) {
    context_.onConnectLost.set(std::move(callback));
}
void SessionConnection::onDisconnectDone(nolt::Callback<std::string> callback) {
    onDisconnectDone_.set(std::move(callback));
}

void SessionConnection::onMachineStateChanged(std::int32_t stateEvent) {
    const std::string event = nameOf(machineEventMap(), stateEvent);
    const bool shutdown = stateEvent >= dnc::DNC_EVT_STATE_MACHINE_SHUTTING_DOWN &&
                          stateEvent <= dnc::DNC_EVT_STATE_CONNECTION_LOST;
    if (shutdown) {
        logWarning("onMachineStateChanged", context_.name + ": Machine state changed into shutdown (" + event + ").");
        context_.scheduleDisconnect();
    } else {
        logInformation("onMachineStateChanged", context_.name + ": " + event);
    }
    context_.presence.stateChanged(stateAfterEvent(stateEvent), context_.flags.isConnected());
    context_.raise(onStateChanged_, event);
}

}  // namespace heidenhain
