#include "heidenhain/events/error_sink.h"

#include <string>

#include "dnc/error.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "heidenhain/session/session_log.h"

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

std::string read(SdkGuard& guard, dnc::IJHErrorEntry& error, const char* call,
                 dnc::HRESULT (dnc::IJHErrorEntry::*get)(std::string*)) {
    std::string value;
    const SdkResult answer = guard.call({call, SDK_CALL_SITE, Accepted::every(), OnLostLink::Fail, When::Either},
                                        [&] { return (error.*get)(&value); });
    if (!answer.ok()) return std::string();
    return value;
}

ErrorTexts textsOf(SdkGuard& guard, const std::shared_ptr<dnc::IJHErrorEntry>& error) {
    if (!error) return {};
    return {read(guard, *error, "error->get_text(&text)", &dnc::IJHErrorEntry::get_text),
            read(guard, *error, "error->get_group(&group)", &dnc::IJHErrorEntry::get_group),
            read(guard, *error, "error->get_class(&errorClass)", &dnc::IJHErrorEntry::get_class),
            read(guard, *error, "error->get_number(&number)", &dnc::IJHErrorEntry::get_number)};
}

}  // namespace

dnc::HRESULT CErrorSink::OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (guard_ == nullptr) return dnc::kOk;
    const ErrorTexts e = textsOf(*guard_, error);
    logInformation("OnError2",
                   sessionName_ + ": " + e.number + ": " + e.text + "; " + e.group + "; " + e.errorClass);
    return dnc::kOk;
}

dnc::HRESULT CErrorSink::OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (guard_ == nullptr) return dnc::kOk;
    const ErrorTexts e = textsOf(*guard_, error);
    logInformation("OnErrorCleared2", sessionName_ + ": Error cleared - " + e.number + ": " + e.text);
    return dnc::kOk;
}

void CErrorSink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    guard_ = nullptr;
}

}  // namespace heidenhain
