#pragma once
// Receives the SDK's machine state events for one session.
#include <cstdint>
#include <mutex>

#include "dnc/events.h"
#include "heidenhain/events/sink_failures.h"

namespace heidenhain {

class DncShim;

class CMachineSink final : public dnc::IJHMachineEvents2 {
public:
    explicit CMachineSink(DncShim& session) : session_(&session) {}

    dnc::HRESULT OnStateChanged(std::int32_t stateEvent) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    DncShim* session_;
    SinkFailures failures_;
};

}  // namespace heidenhain
