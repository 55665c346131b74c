#include "heidenhain/error_sink.h"

#include <string>

#include "dnc/error.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"

namespace heidenhain {
namespace {

// The four texts of an error in the order the error object declares them;
// a read that fails leaves its text empty.
struct ErrorTexts {
    std::string text;
    std::string group;
    std::string errorClass;
    std::string number;
};

std::string read(dnc::IJHErrorEntry& error, dnc::HRESULT (dnc::IJHErrorEntry::*get)(std::string*)) {
    std::string value;
    if (dnc::failed((error.*get)(&value))) return std::string();
    return value;
}

ErrorTexts textsOf(const std::shared_ptr<dnc::IJHErrorEntry>& error) {
    if (!error) return {};
    return {read(*error, &dnc::IJHErrorEntry::get_text), read(*error, &dnc::IJHErrorEntry::get_group),
            read(*error, &dnc::IJHErrorEntry::get_class), read(*error, &dnc::IJHErrorEntry::get_number)};
}

}  // namespace

dnc::HRESULT CErrorSink::OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ == nullptr) return dnc::kOk;
    const ErrorTexts e = textsOf(error);
    logInformation("OnError2",
                   session_->name() + ": " + e.number + ": " + e.text + "; " + e.group + "; " + e.errorClass);
    return dnc::kOk;
}

dnc::HRESULT CErrorSink::OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ == nullptr) return dnc::kOk;
    const ErrorTexts e = textsOf(error);
    logInformation("OnErrorCleared2", session_->name() + ": Error cleared - " + e.number + ": " + e.text);
    return dnc::kOk;
}

void CErrorSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = nullptr;
}

}  // namespace heidenhain
