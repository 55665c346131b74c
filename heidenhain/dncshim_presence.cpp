// The session's summary for the list of every machine: what changes it.
#include <algorithm>

#include "heidenhain/dncshim.h"
#include "heidenhain/enum_names.h"

namespace heidenhain {

void DncShim::observePresence(PresenceObserver observer) { presence_.observe(std::move(observer)); }

void DncShim::presenceConnected(const std::string& host, std::int32_t state) {
    const std::string controllerType = controllerType_.get();
    const std::string version = sdkVersion_.get();
    const std::string stateName = nameOf(machineStateMap(), state);
    presence_.change([&](MachinePresence& presence) {
        presence.host = host;
        presence.controllerType = controllerType;
        presence.connected = true;
        presence.state = stateName;
        presence.programStatus.clear();
        presence.ncVersion = version;
    });
}

void DncShim::presenceStateChanged(const std::string& state) {
    const bool connected = flags_.isConnected();
    presence_.change([&](MachinePresence& presence) {
        presence.connected = connected;
        if (!state.empty()) presence.state = state;
        if (!connected) presence.ncVersion.clear();
    });
}

void DncShim::presenceEventsDropped(std::uint64_t total) {
    // Drops reported by two threads at once may arrive out of order.
    presence_.change(
        [&](MachinePresence& presence) { presence.eventsDropped = std::max(presence.eventsDropped, total); });
}

void DncShim::presenceDisconnected() {
    presence_.change([](MachinePresence& presence) {
        presence.connected = false;
        presence.state = "disconnected";
        presence.programStatus.clear();
        presence.ncVersion.clear();
    });
}

}  // namespace heidenhain
