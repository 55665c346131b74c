#pragma once
// The guard through which a session makes every SDK call: connected checks,
// the session's timed SDK mutex, timing with a slow-call warning, and one
// uniform text for a failing result code.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "dnc/result.h"
#include "heidenhain/session_flags.h"
#include "heidenhain/timed_mutex.h"

namespace heidenhain {

// Where a guarded call stands in our source; ends most guard messages.
struct CallSite {
    const char* file;
    int line;
};

#define SDK_CALL_SITE (::heidenhain::CallSite{__FILE__, __LINE__})

// What a CHECK_INTERFACE call tests before it goes online.
struct InterfaceCheck {
    const char* interfaceName;  // "Automatic", "ProcessData", "DataAccess", "ItncTable", "FileSystem"
    bool present;               // the session holds the interface
    const char* function;       // the DncShim member making the call, e.g. "getDncMode"
};

class SdkGuard {
public:
    // Called, with no SDK lock held, when background work meets a lost link.
    using LostLinkHandler = std::function<void(dnc::HRESULT)>;

    SdkGuard(std::string sessionName, const SessionFlags& flags);
    SdkGuard(const SdkGuard&) = delete;
    SdkGuard& operator=(const SdkGuard&) = delete;

    // The process-wide wait for an SDK lock, in seconds (5 at start).
    // Values below 1 throw "Value must be greater than zero" and change nothing.
    static int setSdkMutexTimeout(int seconds);
    static int getSdkMutexTimeout();

    bool isConnected() const { return flags_.isConnected(); }
    const std::string& sessionName() const { return sessionName_; }
    // The call name of the last online call that entered the SDK; never cleared.
    std::string currentSdkCall() const;
    std::int64_t sdkCallStart() const { return sdkCallStart_; }

    // Runs an SDK operation (a callable returning the result code) while
    // connected; returns its non-negative code or throws.
    template <class Op>
    dnc::HRESULT online(std::string_view call, CallSite site, Op&& op) {
        OnlineCall pending = enterOnline(call, site);
        return *leaveOnline(pending, op(), nullptr);
    }

    // The online call for work that must not fail on a lost link (event
    // sinks, table monitor): the two lost-link codes release the lock, call
    // the handler and give an empty result instead of an exception.
    template <class Op>
    std::optional<dnc::HRESULT> onlineUnlessLost(std::string_view call, CallSite site,
                                                 const LostLinkHandler& onLostLink, Op&& op) {
        OnlineCall pending = enterOnline(call, site);
        return leaveOnline(pending, op(), &onLostLink);
    }

    // The online call for a caller that reads the result code itself: the
    // checks before the lock, the current-call record and the timing as
    // online(), but a session found disconnected once the lock is held, and
    // with `quietBeforeLock` also before it, gives nothing instead of the
    // guard's text. The code comes back unread, the lock released.
    template <class Op>
    std::optional<dnc::HRESULT> timedCall(std::string_view call, CallSite site, bool quietBeforeLock, Op&& op) {
        if (quietBeforeLock && !isConnected()) return std::nullopt;
        OnlineCall pending = enterOnline(call, site, false);
        if (!pending.held.owns_lock()) return std::nullopt;
        const dnc::HRESULT hr = op();
        warnIfSlow(pending);
        pending.held.unlock();
        std::this_thread::yield();
        return hr;
    }

    // The online call of a function that needs one of the session's interfaces.
    template <class Op>
    dnc::HRESULT checkedInterface(const InterfaceCheck& check, std::string_view call, CallSite site, Op&& op) {
        checkInterface(check, site);
        return online(call, site, std::forward<Op>(op));
    }

    // As above, with `before` run between the interface check and the online
    // call: a function's log line names only calls that passed the checks.
    template <class Before, class Op>
    dnc::HRESULT checkedInterface(const InterfaceCheck& check, std::string_view call, CallSite site, Before&& before,
                                  Op&& op) {
        checkInterface(check, site);
        before();
        return online(call, site, std::forward<Op>(op));
    }

    // The connection and interface check alone, for a function that checks
    // once before work of its own and several calls.
    void requireInterface(const InterfaceCheck& check, CallSite site) const { checkInterface(check, site); }

    // A call made while the session is meant to be not connected: locked,
    // not timed, a negative code throws.
    template <class Op>
    dnc::HRESULT offline(std::string_view call, CallSite site, Op&& op) {
        auto held = enterOffline(call, site);
        const dnc::HRESULT hr = op();
        if (dnc::failed(hr)) throw std::runtime_error(errorMessage(call, hr, site));
        return hr;
    }

    // Only the SDK lock: the caller reads the result code itself.
    template <class Op>
    dnc::HRESULT locked(std::string_view call, CallSite site, Op&& op) {
        auto held = lock(*sdkMutex_, call, site);
        return op();
    }

    // Waits for a timed mutex for the SDK lock time-out; throws the lock
    // message naming this session's current SDK call on failure.
    std::unique_lock<TimedMutex> lock(TimedMutex& mutex, std::string_view call, CallSite site) const;

    // Texts shared with the callers that build these failures themselves.
    static std::string notConnectedMessage(std::string_view call, CallSite site);
    static std::string lostAfterCallMessage(std::string_view call, CallSite site);
    std::string errorMessage(std::string_view call, dnc::HRESULT hr, CallSite site) const;

private:
    struct OnlineCall {
        std::string call;
        CallSite site;
        std::unique_lock<TimedMutex> held;
        std::int64_t startNs;     // before waiting for the lock
        std::int64_t sdkStartNs;  // after the lock, right before the SDK
        std::string otherBeforeMutex;
        std::string otherBeforeSdk;
    };

    // With `refuseAfterLock` false, a session found disconnected once the
    // lock is held gives a call without the lock instead of the text.
    OnlineCall enterOnline(std::string_view call, CallSite site, bool refuseAfterLock = true);
    std::optional<dnc::HRESULT> leaveOnline(OnlineCall& pending, dnc::HRESULT hr, const LostLinkHandler* onLostLink);
    void warnIfSlow(const OnlineCall& pending) const;
    std::unique_lock<TimedMutex> enterOffline(std::string_view call, CallSite site);
    void checkInterface(const InterfaceCheck& check, CallSite site) const;
    void setCurrentSdkCall(const std::string& call);

    const std::string sessionName_;
    const SessionFlags& flags_;
    // Held through a shared pointer as the session's other timed locks are.
    std::shared_ptr<TimedMutex> sdkMutex_ = std::make_shared<TimedMutex>(LockRank::sdk);
    // Guards only the text below: "other" is read by threads that do not hold
    // the SDK lock, and a string must not be read while it is being written.
    mutable std::mutex callNameMutex_;
    std::string currentSdkCall_;
    std::atomic<std::int64_t> sdkCallStart_{0};
};

}  // namespace heidenhain
