#include "heidenhain/automatic_sink.h"

#include <exception>

#include "dnc/automatic.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"

namespace heidenhain {
namespace {

}  // namespace

template <class Handle>
dnc::HRESULT CAutomaticSink::handle(Handle&& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ == nullptr) return dnc::kOk;
    try {
        body(*session_);
    } catch (const std::exception&) {
        // Nothing of a failure travels into the SDK's event thread.
        return dnc::kFalse;
    }
    return dnc::kOk;
}

dnc::HRESULT CAutomaticSink::OnProgramStatusChanged(std::int32_t programEvent) {
    return handle([&](DncShim& session) {
        try {
            session.programStatusChanged(programEvent);
        } catch (const std::exception& e) {
            logInformation("OnProgramStatusChanged",
                           session.name() + ": OnProgramStatusChanged Event produced error: " + e.what());
            throw;
        }
    });
}

dnc::HRESULT CAutomaticSink::OnDncModeChanged(std::int32_t dncMode) {
    return handle([&](DncShim& session) { session.dncModeChanged(dncMode); });
}

dnc::HRESULT CAutomaticSink::OnExecutionMessage(std::int32_t, const dnc::Variant&, const std::string& message) {
    return handle([&](DncShim& session) { logInformation("OnExecutionMessage", session.name() + ": " + message); });
}

dnc::HRESULT CAutomaticSink::OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
    return handle([&](DncShim& session) { session.programChanged(channel, timeStamp, programPath); });
}

dnc::HRESULT CAutomaticSink::OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                                           std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) {
    return handle([&](DncShim& session) {
        logInformation("OnToolChanged", session.name());
        session.toolChanged(channel, session.readTool(toolOut), session.readTool(toolIn), timeStamp);
    });
}

void CAutomaticSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = nullptr;
}

}  // namespace heidenhain
