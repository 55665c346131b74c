#pragma once
// Receives the SDK's error messages for one session and writes them to the
// event log; there is no client callback for them.
#include <memory>
#include <mutex>

#include "dnc/events.h"

namespace heidenhain {

class DncShim;

class CErrorSink final : public dnc::IJHErrorEvents2 {
public:
    explicit CErrorSink(DncShim& session) : session_(&session) {}

    dnc::HRESULT OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) override;
    dnc::HRESULT OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    DncShim* session_;
};

}  // namespace heidenhain
