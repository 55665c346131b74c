#include "heidenhain/events/machine_sink.h"

#include <exception>

#include "heidenhain/session/session_connection.h"

namespace heidenhain {

dnc::HRESULT CMachineSink::OnStateChanged(std::int32_t stateEvent) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (connection_ == nullptr) return dnc::kOk;
    try {
        connection_->onMachineStateChanged(stateEvent);
    } catch (const std::exception& e) {
        // A failing client callback must not travel into the SDK's event thread.
        failures_.report("OnStateChanged", sessionName_, e.what());
        return dnc::kFalse;
    }
    return dnc::kOk;
}

void CMachineSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    connection_ = nullptr;
}

}  // namespace heidenhain
