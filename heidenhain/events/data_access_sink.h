#pragma once
// Receives the SDK's data events (subscribed value changes) for one session.
#include <cstdint>
#include <memory>
#include <mutex>

#include "dnc/events.h"
#include "heidenhain/events/sink_failures.h"

namespace heidenhain {

class DncShim;

class CDataAccessSink final : public dnc::IJHDataAccessEvents2 {
public:
    explicit CDataAccessSink(DncShim& session) : session_(&session) {}

    // kFalse for a handle without a callback and for any failure.
    dnc::HRESULT OnData2(std::int32_t subscriptionHandle, double timeStamp,
                         std::shared_ptr<dnc::IJHDataEntryList> dataEntryList) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    DncShim* session_;
    SinkFailures failures_;
};

}  // namespace heidenhain
