#pragma once
// Receives the SDK's program, tool and DNC mode events for one session.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "dnc/events.h"
#include "heidenhain/events/sink_failures.h"

namespace heidenhain {

class ProgramEvents;

class CAutomaticSink final : public dnc::IJHAutomaticEvents3 {
public:
    CAutomaticSink(ProgramEvents& events, std::string sessionName)
        : events_(&events), sessionName_(std::move(sessionName)) {}

    // Each answers kOk when it ran to its end and kFalse after a failure
    // (a failed refresh of the selected program). The client callbacks run
    // later, from the session's event queue.
    dnc::HRESULT OnProgramStatusChanged(std::int32_t programEvent) override;
    dnc::HRESULT OnDncModeChanged(std::int32_t dncMode) override;
    dnc::HRESULT OnExecutionMessage(std::int32_t channel, const dnc::Variant& value,
                                    const std::string& message) override;
    dnc::HRESULT OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) override;
    dnc::HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                               std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    template <class Handle>
    dnc::HRESULT handle(const char* handler, Handle&& body);

    std::mutex mutex_;
    ProgramEvents* events_;
    const std::string sessionName_;
    SinkFailures failures_;
};

}  // namespace heidenhain
