#include "heidenhain/events/data_access_sink.h"

#include <exception>

#include "heidenhain/cnc/session_data.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {

dnc::HRESULT CDataAccessSink::OnData2(std::int32_t subscriptionHandle, double,
                                      std::shared_ptr<dnc::IJHDataEntryList> dataEntryList) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (data_ == nullptr) return dnc::kOk;
    try {
        logInformation("OnData2", sessionName_);
        return data_->onData2(subscriptionHandle, dataEntryList) ? dnc::kOk : dnc::kFalse;
    } catch (const std::exception& e) {
        // Nothing of a failed conversion or callback travels into the SDK's event thread.
        failures_.report("OnData2", sessionName_, e.what());
        return dnc::kFalse;
    }
}

void CDataAccessSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    data_ = nullptr;
}

}  // namespace heidenhain
