#pragma once
// Receives the SDK's machine state events for one session.
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "dnc/events.h"
#include "heidenhain/events/sink_failures.h"

namespace heidenhain {

class SessionConnection;

class CMachineSink final : public dnc::IJHMachineEvents2 {
public:
    CMachineSink(SessionConnection& connection, std::string sessionName)
        : connection_(&connection), sessionName_(std::move(sessionName)) {}

    dnc::HRESULT OnStateChanged(std::int32_t stateEvent) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    SessionConnection* connection_;
    const std::string sessionName_;
    SinkFailures failures_;
};

}  // namespace heidenhain
