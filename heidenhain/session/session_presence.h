#pragma once
// What a session tells about itself to whoever lists every machine (the
// agent publishes it): one summary, reported whole after each change, on
// the thread of the change. No MQTT here.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace heidenhain {

struct MachinePresence {
    std::string session;
    std::string host;            // of the last connect
    std::string controllerType;  // of the last connect
    bool connected = false;
    std::string state = "disconnected";
    std::string programStatus;  // empty while unknown
    std::string ncVersion;      // while connected
    std::string sdkVersion;
    std::string since;  // time of the last change, UTC
    // Client events dropped since the session was created, because they came
    // faster than they could be published (heidenhain/event_queue.h).
    std::uint64_t eventsDropped = 0;
};

// Compact object; "programStatus" and "ncVersion" only when known.
void to_json(nlohmann::json& json, const MachinePresence& presence);

using PresenceObserver = std::function<void(const MachinePresence&)>;

class SessionPresence {
public:
    SessionPresence(const std::string& session, const std::string& sdkVersion);

    // Replaces the observer and tells it the current summary.
    void observe(PresenceObserver observer);

    // The changes of a connect, of machine state events and lost links, of
    // the program status, of a disconnect, and of the count of dropped events.
    void connected(const std::string& host, const std::string& controllerType, const std::string& state,
                   const std::string& ncVersion);
    // An empty state keeps the one before.
    void stateChanged(const std::string& state, bool connected);
    void programStatusChanged(const std::string& programStatus);
    void disconnected();
    void eventsDropped(std::uint64_t total);

private:
    // Applies the change, stamps its time and reports the summary. Reports
    // leave in the order of the changes: the observer must only hand the
    // summary on, never call back into the session.
    void change(const std::function<void(MachinePresence&)>& edit);

    std::mutex mutex_;
    MachinePresence current_;
    PresenceObserver observer_;
};

// The machine state that a machine state event announces, named as
// getState names it; "connection_lost" for a lost link.
std::string stateAfterEvent(std::int32_t stateEvent);

// "2026-12-07T15:31:36.123Z"
std::string utcTimestampNow();

// The installed SDK's version; empty when it cannot be read.
std::string installedSdkVersion();

}  // namespace heidenhain
