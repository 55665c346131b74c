#pragma once
// Receives the SDK's data events (subscribed value changes) for one session.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "dnc/events.h"
#include "heidenhain/events/sink_failures.h"

namespace heidenhain {

class SessionData;

class CDataAccessSink final : public dnc::IJHDataAccessEvents2 {
public:
    CDataAccessSink(SessionData& data, std::string sessionName) : data_(&data), sessionName_(std::move(sessionName)) {}

    // kFalse for a handle without a callback and for any failure.
    dnc::HRESULT OnData2(std::int32_t subscriptionHandle, double timeStamp,
                         std::shared_ptr<dnc::IJHDataEntryList> dataEntryList) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    SessionData* data_;
    const std::string sessionName_;
    SinkFailures failures_;
};

}  // namespace heidenhain
