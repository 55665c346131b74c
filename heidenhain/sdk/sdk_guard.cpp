#include "heidenhain/sdk/sdk_guard.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "agent/serial_queue.h"
#include "dnc/factory.h"
#include "heidenhain/sdk/error_texts.h"
#include "heidenhain/session/session_log.h"
#include "platform/log.h"
#include "platform/steady_clock.h"

namespace heidenhain {
namespace {

std::atomic<std::int64_t> sdkMutexTimeoutSeconds{5};

constexpr std::int64_t kSlowCallNs = 4000LL * 1000 * 1000;

std::int64_t wholeMilliseconds(std::int64_t ns) { return ns / (1000 * 1000); }

}  // namespace

std::string siteText(CallSite site) {
    return std::string("heidenhain/") + site.file + ":" + std::to_string(site.line);
}

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

std::string SdkGuard::lostAfterCallMessage(std::string_view call, CallSite site) {
    return "Machine is not any longer connected after call: " + std::string(call) + " (" + siteText(site);
}

std::unique_lock<TimedMutex> SdkGuard::lock(TimedMutex& mutex, std::string_view call, CallSite site) const {
    const std::int64_t seconds = sdkMutexTimeoutSeconds;
    // A call that waited in its session's queue waits that much less here:
    // its time-out counts from its arrival.
    const auto wait = std::max<nolt::SteadyDuration>(std::chrono::seconds(seconds) - nolt::queuedTime(), {});
    std::unique_lock<TimedMutex> held(mutex, std::defer_lock);
    if (!held.try_lock_for(wait)) {
        throw std::runtime_error("Could not get SDK lock within " + std::to_string(seconds) + " seconds for call " +
                                 std::string(call) + " other=" + currentSdkCall() + " (" + siteText(site));
    }
    return held;
}

void SdkGuard::awaitIdle(const std::string& call, CallSite site) {
    [[maybe_unused]] const Entered entered = enter(offlineCall(call, site));
}

SdkGuard::Entered SdkGuard::enter(const SdkCall& what) {
    Entered entered;
    if (what.when != When::Connected) {
        if (what.when == When::Disconnected && isConnected())
            platform::logWarning(std::string("Unexpected offline call ") + what.name + " while connected");
        entered.held = lock(*sdkMutex_, what.name, what.site);
        return entered;
    }
    const bool quiet = what.lost == OnLostLink::End;
    std::this_thread::yield();
    if (!isConnected()) {
        if (quiet) return entered;
        throw std::runtime_error(notConnectedMessage(what.name, what.site));
    }
    entered.startNs = platform::steadyNowNs();
    entered.otherBeforeMutex = currentSdkCall();
    entered.held = lock(*sdkMutex_, what.name, what.site);
    if (!isConnected()) {
        entered.held.unlock();
        if (quiet) return entered;
        throw std::runtime_error("Unexpected online call while disconnected (after mutex lock): " + what.name + " (" +
                                 siteText(what.site));
    }
    entered.otherBeforeSdk = currentSdkCall();
    setCurrentSdkCall(what.name);
    entered.sdkStartNs = platform::steadyNowNs();
    sdkCallStart_ = entered.sdkStartNs;
    return entered;
}

void SdkGuard::warnIfSlow(const SdkCall& what, const Entered& entered) const {
    const std::int64_t now = platform::steadyNowNs();
    const std::int64_t totalNs = now - entered.startNs;
    if (totalNs <= kSlowCallNs) return;
    logWarning("afterCall", sessionName_ + " taking unusually long, " + std::to_string(wholeMilliseconds(totalNs)) +
                                " ms for mutex+sdk and " + std::to_string(wholeMilliseconds(now - entered.sdkStartNs)) +
                                " ms at sdk, at call " + what.name + " otherBeforeMutex=" + entered.otherBeforeMutex +
                                " otherBeforeSdk=" + entered.otherBeforeSdk + " while other=" + currentSdkCall());
}

SdkResult SdkGuard::leave(const SdkCall& what, Entered& entered, dnc::HRESULT hr) {
    const bool online = what.when == When::Connected;
    if (online) warnIfSlow(what, entered);
    if (dnc::isLostLink(hr) && what.lost != OnLostLink::Fail && !what.accepted.lists(hr)) {
        // Scheduling the disconnect calls client callbacks: never with the SDK lock held.
        entered.held.unlock();
        if (what.lost == OnLostLink::End) return {hr, true};
        if (scheduleDisconnect_) scheduleDisconnect_();
        throw std::runtime_error(errorMessage(what.name, hr, what.site));
    }
    if (dnc::failed(hr)) {
        if (!what.accepted.has(hr)) throw std::runtime_error(errorMessage(what.name, hr, what.site));
        // The caller reads its accepted failure whatever happened meanwhile.
        entered.held.unlock();
        return {hr, false};
    }
    // Background work keeps an answer it got although the link went meanwhile.
    if (online && what.lost != OnLostLink::End && !isConnected()) {
        entered.held.unlock();
        throw std::runtime_error(lostAfterCallMessage(what.name, what.site));
    }
    entered.held.unlock();
    if (online) std::this_thread::yield();
    return {hr, false};
}

}  // namespace heidenhain
