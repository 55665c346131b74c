#pragma once
// The simulated world of the process: the connection list, one controller per
// host, the injected faults and the event thread. Tests and the remote control
// class drive it through instance().
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "dncsim/connection_list.h"
#include "dncsim/controller.h"
#include "dncsim/event_pump.h"
#include "dncsim/faults.h"

namespace dncsim {

class Simulator {
public:
    // The version text of the simulated SDK.
    static constexpr const char* kVersion = "1.7.3.0";

    static Simulator& instance();

    Faults& faults() { return faults_; }
    EventPump& events() { return events_; }
    const std::shared_ptr<ConnectionStore>& connections() const { return connections_; }

    // The controller of the host, created with the family of the connection
    // the first time a machine connects to it.
    std::shared_ptr<Controller> controllerFor(const std::string& host, std::int32_t cncType, std::int32_t protocol);
    // Null when nothing has connected to the host yet.
    std::shared_ptr<Controller> controller(const std::string& host) const;

    // Machine state event `stateEvent` to the machine objects connected to the
    // host; false when no controller of that name exists.
    bool raiseMachineEvent(const std::string& host, std::int32_t stateEvent);
    // The link breaks: "connection_lost" to the connected machines, then
    // kConnectionLost from every call and kNotOnLine from Connect until
    // restoreLink. Machines connected at the loss may Connect again afterwards.
    void loseLink(const std::string& host);
    void restoreLink(const std::string& host);
    // A message of the control (OnError2), or its clearing (OnErrorCleared2),
    // to the error sinks of the host's control; false when no controller of
    // that name exists.
    bool raiseError(const std::string& host, const std::string& text, const std::string& group,
                    const std::string& errorClass, const std::string& number, bool cleared = false);

    // Waits until the events raised so far have been delivered.
    bool drainEvents(std::chrono::milliseconds bound = std::chrono::seconds(5));

    // Back to the state of a fresh process: no connections, controllers or faults.
    void reset();

private:
    Simulator();
    ~Simulator();

    Faults faults_;
    const std::shared_ptr<ConnectionStore> connections_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Controller>> controllers_;
    // Last member: its thread stops before the rest goes.
    EventPump events_;
};

}  // namespace dncsim
