#pragma once
// Receives the SDK's error messages for one session and writes them to the
// event log; there is no client callback for them.
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "dnc/events.h"

namespace heidenhain {

class SdkGuard;

class CErrorSink final : public dnc::IJHErrorEvents2 {
public:
    // The guard reads the error entry's texts.
    CErrorSink(SdkGuard& guard, std::string sessionName) : guard_(&guard), sessionName_(std::move(sessionName)) {}

    dnc::HRESULT OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) override;
    dnc::HRESULT OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) override;

    // The session goes away: events that still arrive are dropped. Waits
    // for an event being handled to finish.
    void detach();

private:
    std::mutex mutex_;
    SdkGuard* guard_;
    const std::string sessionName_;
};

}  // namespace heidenhain
