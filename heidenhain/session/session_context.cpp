#include "heidenhain/session/session_context.h"

#include <stdexcept>

#include "heidenhain/session/session_log.h"
#include "heidenhain/text/enum_names.h"

namespace heidenhain {

SessionContext::SessionContext(const std::string& sessionName)
    : name(sessionName), guard(name, flags), presence(name, installedSdkVersion()) {
    guard.onLostLink([this] { scheduleDisconnect(); });
}

void SessionContext::scheduleDisconnect() {
    if (flags.awaitingFinalDisconnection) return;
    // Several threads may notice the loss at once; one of them reports it.
    bool pending = false;
    if (!flags.disconnectPending.compare_exchange_strong(pending, true)) return;
    logInformation("scheduleDisconnect", name + " Triggering machine disconnect");
    presence.stateChanged("connection_lost", flags.isConnected());
    raise(onConnectLost, "");
}

std::int32_t SessionContext::readMachineState() {
    std::int32_t state = 0;
    guard.run({"_machine->GetState(&state)", SDK_CALL_SITE}, [&] {
        // Read only once the guard found the session connected: read before,
        // a first connect could finish in between and leave the call without
        // the machine object it made.
        auto current = machine.get();
        if (!current)
            throw std::runtime_error(SdkGuard::notConnectedMessage("_machine->GetState(&state)", SDK_CALL_SITE));
        return current->GetState(&state);
    });
    return state;
}

std::string SessionContext::machineState() { return nameOf(machineStateMap(), readMachineState()); }

}  // namespace heidenhain
