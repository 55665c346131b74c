#include "heidenhain/session/session_presence.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "dnc/factory.h"
#include "dnc/machine.h"
#include "heidenhain/text/enum_names.h"

namespace heidenhain {

void to_json(nlohmann::json& json, const MachinePresence& presence) {
    json = {{"session", presence.session},
            {"host", presence.host},
            {"controllerType", presence.controllerType},
            {"connected", presence.connected},
            {"state", presence.state},
            {"sdkVersion", presence.sdkVersion},
            {"since", presence.since},
            {"eventsDropped", presence.eventsDropped}};
    if (!presence.programStatus.empty()) json["programStatus"] = presence.programStatus;
    if (!presence.ncVersion.empty()) json["ncVersion"] = presence.ncVersion;
}

SessionPresence::SessionPresence(const std::string& session, const std::string& sdkVersion) {
    current_.session = session;
    current_.sdkVersion = sdkVersion;
    current_.since = utcTimestampNow();
}

void SessionPresence::observe(PresenceObserver observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    observer_ = std::move(observer);
    if (observer_) observer_(current_);
}

void SessionPresence::change(const std::function<void(MachinePresence&)>& edit) {
    std::lock_guard<std::mutex> lock(mutex_);
    edit(current_);
    current_.since = utcTimestampNow();
    if (observer_) observer_(current_);
}

void SessionPresence::connected(const std::string& host, const std::string& controllerType, const std::string& state,
                                const std::string& ncVersion) {
    change([&](MachinePresence& presence) {
        presence.host = host;
        presence.controllerType = controllerType;
        presence.connected = true;
        presence.state = state;
        presence.programStatus.clear();
        presence.ncVersion = ncVersion;
    });
}

void SessionPresence::stateChanged(const std::string& state, bool connected) {
    change([&](MachinePresence& presence) {
        presence.connected = connected;
        if (!state.empty()) presence.state = state;
        if (!connected) presence.ncVersion.clear();
    });
}

void SessionPresence::programStatusChanged(const std::string& programStatus) {
    change([&](MachinePresence& presence) { presence.programStatus = programStatus; });
}

void SessionPresence::disconnected() {
    change([](MachinePresence& presence) {
        presence.connected = false;
        presence.state = "disconnected";
        presence.programStatus.clear();
        presence.ncVersion.clear();
    });
}

void SessionPresence::eventsDropped(std::uint64_t total) {
    // Drops reported by two threads at once may arrive out of order.
    change([&](MachinePresence& presence) { presence.eventsDropped = std::max(presence.eventsDropped, total); });
}

std::string stateAfterEvent(std::int32_t stateEvent) {
    switch (stateEvent) {
        case dnc::DNC_EVT_STATE_CONNECTION_LOST:
            return "connection_lost";
        case dnc::DNC_EVT_STATE_PERMISSION_DENIED:
            return nameOf(machineStateMap(), dnc::DNC_STATE_NO_PERMISSION);
        default:
            // The events up to "host_stopped" announce the states in the same order, one number up.
            if (stateEvent < dnc::DNC_EVT_STATE_HOST_NOT_AVAILABLE || stateEvent > dnc::DNC_EVT_STATE_HOST_STOPPED) {
                return "";
            }
            return nameOf(machineStateMap(), stateEvent + 1);
    }
}

std::string utcTimestampNow() {
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

std::string installedSdkVersion() {
    std::string version;
    if (dnc::failed(dnc::machineFactory()->GetVersion(&version))) return "";
    return version;
}

}  // namespace heidenhain
