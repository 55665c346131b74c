#include "heidenhain/sdk_guard.h"

#include <atomic>
#include <chrono>
#include <iostream>

#include "dnc/factory.h"
#include "heidenhain/error_texts.h"
#include "heidenhain/session_log.h"
#include "platform/steady_clock.h"

namespace heidenhain {
namespace {

std::atomic<std::int64_t> sdkMutexTimeoutSeconds{5};

constexpr std::int64_t kSlowCallNs = 4000LL * 1000 * 1000;

std::string siteText(CallSite site) { return std::string(site.file) + ":" + std::to_string(site.line); }

std::int64_t wholeMilliseconds(std::int64_t ns) { return ns / (1000 * 1000); }

}  // namespace

SdkGuard::SdkGuard(std::string sessionName, const SessionFlags& flags)
    : sessionName_(std::move(sessionName)), flags_(flags) {}

int SdkGuard::setSdkMutexTimeout(int seconds) {
    if (seconds < 1) throw std::runtime_error("Value must be greater than zero");
    sdkMutexTimeoutSeconds = seconds;
    return seconds;
}

int SdkGuard::getSdkMutexTimeout() { return static_cast<int>(sdkMutexTimeoutSeconds.load()); }

std::string SdkGuard::currentSdkCall() const {
    std::lock_guard<std::mutex> lock(callNameMutex_);
    return currentSdkCall_;
}

void SdkGuard::setCurrentSdkCall(const std::string& call) {
    std::lock_guard<std::mutex> lock(callNameMutex_);
    currentSdkCall_ = call;
}

std::string SdkGuard::notConnectedMessage(std::string_view call, CallSite site) {
    return "Unexpected online call while disconnected: " + std::string(call) + " (" + siteText(site);
}

std::string SdkGuard::errorMessage(std::string_view call, dnc::HRESULT hr, CallSite site) const {
    // A code of no table of ours may still have a reason, such as a member the component lacks.
    std::string text = errorText(hr);
    if (text.empty()) text = dnc::machineFactory()->DescribeResult(hr);
    return "Call " + std::string(call) + " produced error (0x" + hexCode(hr) + "): " + text +
           " (isConnected:" + (isConnected() ? "1" : "0") + ", " + siteText(site) + ")";
}

std::unique_lock<TimedMutex> SdkGuard::lock(TimedMutex& mutex, std::string_view call,
                                                  CallSite site) const {
    const std::int64_t seconds = sdkMutexTimeoutSeconds;
    std::unique_lock<TimedMutex> held(mutex, std::defer_lock);
    if (!held.try_lock_for(std::chrono::seconds(seconds))) {
        throw std::runtime_error("Could not get SDK lock within " + std::to_string(seconds) + " seconds for call " +
                                 std::string(call) + " other=" + currentSdkCall() + " (" + siteText(site));
    }
    return held;
}

std::string SdkGuard::lostAfterCallMessage(std::string_view call, CallSite site) {
    return "Machine is not any longer connected after call: " + std::string(call) + " (" + siteText(site);
}

SdkGuard::OnlineCall SdkGuard::enterOnline(std::string_view call, CallSite site, bool refuseAfterLock) {
    std::this_thread::yield();
    if (!isConnected()) throw std::runtime_error(notConnectedMessage(call, site));
    OnlineCall pending{std::string(call), site, {}, platform::steadyNowNs(), 0, currentSdkCall(), {}};
    pending.held = lock(*sdkMutex_, call, site);
    if (!isConnected()) {
        if (!refuseAfterLock) {
            pending.held.unlock();
            return pending;
        }
        throw std::runtime_error("Unexpected online call while disconnected (after mutex lock): " + pending.call +
                                 " (" + siteText(site));
    }
    pending.otherBeforeSdk = currentSdkCall();
    setCurrentSdkCall(pending.call);
    pending.sdkStartNs = platform::steadyNowNs();
    sdkCallStart_ = pending.sdkStartNs;
    return pending;
}

void SdkGuard::warnIfSlow(const OnlineCall& pending) const {
    const std::int64_t now = platform::steadyNowNs();
    const std::int64_t totalNs = now - pending.startNs;
    if (totalNs <= kSlowCallNs) return;
    logWarning("afterCall", sessionName_ + " taking unusually long, " + std::to_string(wholeMilliseconds(totalNs)) +
                                " ms for mutex+sdk and " + std::to_string(wholeMilliseconds(now - pending.sdkStartNs)) +
                                " ms at sdk, at call " + pending.call + " otherBeforeMutex=" + pending.otherBeforeMutex +
                                " otherBeforeSdk=" + pending.otherBeforeSdk + " while other=" + currentSdkCall());
}

std::optional<dnc::HRESULT> SdkGuard::leaveOnline(OnlineCall& pending, dnc::HRESULT hr,
                                                  const LostLinkHandler* onLostLink) {
    warnIfSlow(pending);
    if (onLostLink != nullptr && dnc::isLostLink(hr)) {
        // The handler schedules the disconnect, which calls client callbacks:
        // never with the SDK lock held.
        pending.held.unlock();
        if (*onLostLink) (*onLostLink)(hr);
        return std::nullopt;
    }
    if (dnc::failed(hr)) throw std::runtime_error(errorMessage(pending.call, hr, pending.site));
    if (!isConnected()) throw std::runtime_error(lostAfterCallMessage(pending.call, pending.site));
    pending.held.unlock();
    std::this_thread::yield();
    return hr;
}

std::unique_lock<TimedMutex> SdkGuard::enterOffline(std::string_view call, CallSite site) {
    if (isConnected()) std::cerr << "Unexpected offline call " << call << " while connected" << std::endl;
    return lock(*sdkMutex_, call, site);
}

void SdkGuard::checkInterface(const InterfaceCheck& check, CallSite site) const {
    const std::string qualified = std::string("DncShim::") + check.function;
    if (!isConnected()) {
        const std::string message = std::string("Unexpected online call CHECK_INTERFACE(") + check.interfaceName +
                                    ") while disconnected in" + qualified + ", " + siteText(site) + ")";
        std::cerr << message << std::endl;
        throw std::runtime_error(message);
    }
    if (!check.present) {
        const std::string message = sessionName_ + " does not have IJH" + check.interfaceName +
                                    " interface; cannot call " + qualified + ", " + siteText(site) + ")";
        logInformation(check.function, sessionName_ + ": " + message);
        throw std::runtime_error(message);
    }
}

}  // namespace heidenhain
