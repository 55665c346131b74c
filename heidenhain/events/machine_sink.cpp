#include "heidenhain/events/machine_sink.h"

#include <exception>

#include "heidenhain/session/dncshim.h"

namespace heidenhain {

dnc::HRESULT CMachineSink::OnStateChanged(std::int32_t stateEvent) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ == nullptr) return dnc::kOk;
    try {
        session_->onMachineStateChanged(stateEvent);
    } catch (const std::exception& e) {
        // A failing client callback must not travel into the SDK's event thread.
        failures_.report("OnStateChanged", session_->name(), e.what());
        return dnc::kFalse;
    }
    return dnc::kOk;
}

void CMachineSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = nullptr;
}

}  // namespace heidenhain
