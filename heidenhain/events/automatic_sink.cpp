#include "heidenhain/events/automatic_sink.h"

#include <exception>

#include "dnc/automatic.h"
#include "heidenhain/session/dncshim.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {
template <class Handle>
dnc::HRESULT CAutomaticSink::handle(const char* handler, Handle&& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ == nullptr) return dnc::kOk;
    try {
        body(*session_);
    } catch (const std::exception& e) {
        // Nothing of a failure travels into the SDK's event thread.
        failures_.report(handler, session_->name(), e.what());
        return dnc::kFalse;
    }
    return dnc::kOk;
}

dnc::HRESULT CAutomaticSink::OnProgramStatusChanged(std::int32_t programEvent) {
    return handle("OnProgramStatusChanged", [&](DncShim& session) { session.programStatusChanged(programEvent); });
}

dnc::HRESULT CAutomaticSink::OnDncModeChanged(std::int32_t dncMode) {
    return handle("OnDncModeChanged", [&](DncShim& session) { session.dncModeChanged(dncMode); });
}

dnc::HRESULT CAutomaticSink::OnExecutionMessage(std::int32_t, const dnc::Variant&, const std::string& message) {
    return handle("OnExecutionMessage",
                  [&](DncShim& session) { logInformation("OnExecutionMessage", session.name() + ": " + message); });
}

dnc::HRESULT CAutomaticSink::OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
    return handle("OnProgramChanged",
                  [&](DncShim& session) { session.programChanged(channel, timeStamp, programPath); });
}

dnc::HRESULT CAutomaticSink::OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                                           std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) {
    return handle("OnToolChanged", [&](DncShim& session) {
        logInformation("OnToolChanged", session.name());
        session.toolChanged(channel, toolOut, toolIn, timeStamp);
    });
}

void CAutomaticSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = nullptr;
}

}  // namespace heidenhain
