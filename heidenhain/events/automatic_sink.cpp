#include "heidenhain/events/automatic_sink.h"

#include <exception>

#include "dnc/automatic.h"
#include "heidenhain/events/program_events.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {
template <class Handle>
dnc::HRESULT CAutomaticSink::handle(const char* handler, Handle&& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_ == nullptr) return dnc::kOk;
    try {
        body(*events_);
    } catch (const std::exception& e) {
        // Nothing of a failure travels into the SDK's event thread.
        failures_.report(handler, sessionName_, e.what());
        return dnc::kFalse;
    }
    return dnc::kOk;
}

dnc::HRESULT CAutomaticSink::OnProgramStatusChanged(std::int32_t programEvent) {
    return handle("OnProgramStatusChanged", [&](ProgramEvents& events) { events.programStatusChanged(programEvent); });
}

dnc::HRESULT CAutomaticSink::OnDncModeChanged(std::int32_t dncMode) {
    return handle("OnDncModeChanged", [&](ProgramEvents& events) { events.dncModeChanged(dncMode); });
}

dnc::HRESULT CAutomaticSink::OnExecutionMessage(std::int32_t, const dnc::Variant&, const std::string& message) {
    return handle("OnExecutionMessage",
                  [&](ProgramEvents&) { logInformation("OnExecutionMessage", sessionName_ + ": " + message); });
}

dnc::HRESULT CAutomaticSink::OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
    return handle("OnProgramChanged",
                  [&](ProgramEvents& events) { events.programChanged(channel, timeStamp, programPath); });
}

dnc::HRESULT CAutomaticSink::OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                                           std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) {
    return handle("OnToolChanged", [&](ProgramEvents& events) {
        logInformation("OnToolChanged", sessionName_);
        events.toolChanged(channel, toolOut, toolIn, timeStamp);
    });
}

void CAutomaticSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_ = nullptr;
}

}  // namespace heidenhain
