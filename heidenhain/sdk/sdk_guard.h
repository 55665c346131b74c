#pragma once
// The guard through which a session makes every SDK call: connected checks,
// the session's timed SDK mutex, timing with a slow-call warning, and one
// uniform text for a failing result code. There is one way in, `call`: what
// differs between calls is said in its `SdkCall`, and a code the caller
// takes for itself comes back in a result that must be read.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "dnc/result.h"
#include "heidenhain/sdk/timed_mutex.h"
#include "heidenhain/session/session_flags.h"

namespace heidenhain {

// Where a guarded call stands in our source; ends most guard messages.
struct CallSite {
    const char* file;
    int line;
};

// The file's name alone: a compiler cache hands the compiler paths relative
// to the build folder ("../../heidenhain/sdk/sdk_guard.cpp").
constexpr const char* sourceName(const char* file) {
    const char* name = file;
    for (const char* c = file; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\') name = c + 1;
    }
    return name;
}

// "heidenhain/file.cpp:LINE", as clients have always read it, whichever
// sub-folder holds the file.
std::string siteText(CallSite site);

#define SDK_CALL_SITE (::heidenhain::CallSite{::heidenhain::sourceName(__FILE__), __LINE__})

// The failing codes a caller reads itself instead of the guard's error text.
class Accepted {
public:
    constexpr Accepted() = default;
    constexpr Accepted(std::initializer_list<dnc::HRESULT> codes) {
        for (const dnc::HRESULT hr : codes) {
            if (count_ == codes_.size()) throw std::logic_error("too many accepted codes");
            codes_[count_++] = hr;
        }
    }
    // Every code: the caller reads the result whatever it is.
    static constexpr Accepted every() {
        Accepted all;
        all.every_ = true;
        return all;
    }
    constexpr bool any() const { return every_ || count_ > 0; }
    constexpr bool has(dnc::HRESULT hr) const { return every_ || lists(hr); }
    // Named one by one: only these take a lost link away from OnLostLink.
    constexpr bool lists(dnc::HRESULT hr) const {
        for (std::size_t i = 0; i < count_; ++i)
            if (codes_[i] == hr) return true;
        return false;
    }

private:
    std::array<dnc::HRESULT, 4> codes_{};
    std::size_t count_ = 0;
    bool every_ = false;
};

// The state of the session a call belongs to.
enum class When {
    Connected,     // online: refused while not connected, timed, current call recorded
    Disconnected,  // while connecting or before: a notice if connected, not timed
    Either,        // connecting, disconnecting and detaching: no connection test
};

// What a code meaning "the link is gone" does to the call.
enum class OnLostLink {
    Fail,        // the guard's error text
    Disconnect,  // the session's disconnect is scheduled, then the guard's error text
    // Background work: the result comes back ended, with the lock released; a
    // session found not connected ends the call the same way, without the SDK;
    // an answer the SDK gave stands although the session was disconnected meanwhile.
    End,
};

struct SdkCall {
    std::string name;  // the SDK expression, quoted in messages and the slow-call warning
    CallSite site;
    Accepted accepted = {};
    OnLostLink lost = OnLostLink::Fail;
    When when = When::Connected;
};

// A call made while the session is meant to be not connected (creating the
// machine object, the SDK connection list): every failure throws.
inline SdkCall offlineCall(std::string name, CallSite site) {
    return {std::move(name), site, {}, OnLostLink::Fail, When::Disconnected};
}

// A call of connecting, disconnecting and detaching, whose code the caller reads.
inline SdkCall lockedCall(std::string name, CallSite site) {
    return {std::move(name), site, Accepted::every(), OnLostLink::Fail, When::Either};
}

struct [[nodiscard]] SdkResult {
    dnc::HRESULT code = dnc::kOk;
    // Only with OnLostLink::End: the link is gone (code says which way) or
    // the session was not connected (code is kOk); there is nothing to read.
    bool ended = false;
    bool ok() const { return !ended && dnc::succeeded(code); }
    bool linkLost() const { return ended && dnc::isLostLink(code); }
};

class SdkGuard {
public:
    SdkGuard(std::string sessionName, const SessionFlags& flags);
    SdkGuard(const SdkGuard&) = delete;
    SdkGuard& operator=(const SdkGuard&) = delete;

    // The process-wide wait for an SDK lock, in seconds (5 at start).
    // Values below 1 throw "Value must be greater than zero" and change nothing.
    static int setSdkMutexTimeout(int seconds);
    static int getSdkMutexTimeout();

    // Called, with no SDK lock held, for OnLostLink::Disconnect.
    void onLostLink(std::function<void()> scheduleDisconnect) { scheduleDisconnect_ = std::move(scheduleDisconnect); }

    bool isConnected() const { return flags_.isConnected(); }
    const std::string& sessionName() const { return sessionName_; }
    // The call name of the last online call that entered the SDK; never cleared.
    std::string currentSdkCall() const;
    std::int64_t sdkCallStart() const { return sdkCallStart_; }

    // Makes one SDK call (a callable returning its result code) under the
    // session's SDK lock. A failing code the call does not accept throws the
    // guard's text; so does every guard failure except those that
    // OnLostLink::End turns into an ended result.
    template <class Op>
    [[nodiscard]] SdkResult call(const SdkCall& what, Op&& op) {
        Entered entered = enter(what);
        if (!entered.held.owns_lock()) return {dnc::kOk, true};
        return leave(what, entered, op());
    }

    // The call for a caller that has nothing to read: every failure throws.
    template <class Op>
    void run(const SdkCall& what, Op&& op) {
        if (what.lost == OnLostLink::End || what.accepted.any())
            throw std::logic_error("a call with codes to read goes through call()");
        static_cast<void>(call(what, std::forward<Op>(op)));
    }

    // Makes no SDK call: waits, as an offline call does, until no other call
    // of this session is inside the SDK.
    void awaitIdle(const std::string& call, CallSite site);

    // Waits for one of the session's other timed locks for the SDK lock
    // time-out; throws the lock message naming this session's current SDK call.
    std::unique_lock<TimedMutex> lock(TimedMutex& mutex, std::string_view call, CallSite site) const;

    // Texts shared with the callers that build these failures themselves.
    static std::string notConnectedMessage(std::string_view call, CallSite site);
    static std::string lostAfterCallMessage(std::string_view call, CallSite site);
    std::string errorMessage(std::string_view call, dnc::HRESULT hr, CallSite site) const;

private:
    struct Entered {
        std::unique_lock<TimedMutex> held;
        std::int64_t startNs = 0;     // before waiting for the lock
        std::int64_t sdkStartNs = 0;  // after the lock, right before the SDK
        std::string otherBeforeMutex;
        std::string otherBeforeSdk;
    };

    // The checks and the lock before the SDK; no lock held means "ended".
    Entered enter(const SdkCall& what);
    SdkResult leave(const SdkCall& what, Entered& entered, dnc::HRESULT hr);
    void warnIfSlow(const SdkCall& what, const Entered& entered) const;
    void setCurrentSdkCall(const std::string& call);

    const std::string sessionName_;
    const SessionFlags& flags_;
    std::function<void()> scheduleDisconnect_;
    // Held through a shared pointer as the session's other timed locks are.
    std::shared_ptr<TimedMutex> sdkMutex_ = std::make_shared<TimedMutex>(LockRank::sdk);
    // Guards only the text below: "other" is read by threads that do not hold
    // the SDK lock, and a string must not be read while it is being written.
    mutable std::mutex callNameMutex_;
    std::string currentSdkCall_;
    std::atomic<std::int64_t> sdkCallStart_{0};
};

}  // namespace heidenhain
