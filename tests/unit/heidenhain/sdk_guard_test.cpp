#include "heidenhain/sdk_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <thread>

#include "platform/steady_clock.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/fake_clock.h"
#include "tests/support/wait_for.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::StrEq;
using testing::ThrowsMessage;
using testsupport::CapturedEvent;

constexpr CallSite kSite{"dncshim_state.cpp", 42};
constexpr const char* kGetState = "_machine->GetState(&state)";
constexpr const char* kGetDncMode = "_automatic->GetDncMode(&dncMode)";

// A steady clock that moves only when told and counts how often it was
// read, so a test can tell when a call has taken its first reading.
class CountingClock {
public:
    CountingClock() {
        platform::setSteadyClock([state = state_] {
            ++state->reads;
            return state->now.load();
        });
    }
    ~CountingClock() { platform::setSteadyClock({}); }
    void advance(std::chrono::nanoseconds step) { state_->now += step.count(); }
    int reads() const { return state_->reads; }

private:
    struct State {
        std::atomic<std::int64_t> now{1'000'000'000'000};
        std::atomic<int> reads{0};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Holds the session's SDK lock on another thread until released.
class LockHolder {
public:
    LockHolder(SdkGuard& guard, const char* call, bool online) {
        thread_ = std::thread([this, &guard, call, online] {
            auto hold = [this] {
                entered_.count_down();
                release_.wait();
                return dnc::kOk;
            };
            if (online) {
                guard.online(call, kSite, hold);
            } else {
                guard.locked(call, kSite, hold);
            }
        });
        entered_.wait();
    }
    ~LockHolder() {
        release();
        thread_.join();
    }
    void release() {
        if (!released_.exchange(true)) release_.count_down();
    }

private:
    std::latch entered_{1};
    std::latch release_{1};
    std::atomic<bool> released_{false};
    std::thread thread_;
};

class SdkGuardTest : public testing::Test {
protected:
    void SetUp() override { flags.connected = true; }
    void TearDown() override { SdkGuard::setSdkMutexTimeout(5); }

    SessionFlags flags;
    SdkGuard guard{"mill", flags};
    testsupport::CapturingEventSink log;
};

TEST_F(SdkGuardTest, OnlineCallRunsTheOperationAndNamesItAsCurrentCall) {
    int state = 0;
    EXPECT_EQ(guard.online(kGetState, kSite, [&] { state = 7; return dnc::kFalse; }), dnc::kFalse);
    EXPECT_EQ(state, 7);
    EXPECT_EQ(guard.currentSdkCall(), kGetState);
    EXPECT_TRUE(log.entries().empty());
}

TEST_F(SdkGuardTest, DisconnectedCallFailsAtOnceEvenWhileTheLockIsHeld) {
    LockHolder holder(guard, "_machine->Connect", false);
    flags.connected = false;
    bool ran = false;
    EXPECT_THAT([&] { guard.online(kGetState, kSite, [&] { ran = true; return dnc::kOk; }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Unexpected online call while disconnected: _machine->GetState(&state) (dncshim_state.cpp:42")));
    flags.connected = true;
    flags.disconnectPending = true;
    EXPECT_THAT([&] { guard.online(kGetState, kSite, [] { return dnc::kOk; }); },
                ThrowsMessage<std::runtime_error>(StrEq(SdkGuard::notConnectedMessage(kGetState, kSite))));
    EXPECT_FALSE(ran);
}

TEST_F(SdkGuardTest, DisconnectWhileWaitingForTheLockIsSeenAfterLocking) {
    CountingClock clock;
    std::optional<LockHolder> holder;
    holder.emplace(guard, "_machine->Connect", false);
    auto waiting = std::async(std::launch::async, [&] { return guard.online(kGetState, kSite, [] { return dnc::kOk; }); });
    // Its first clock reading comes right before it waits for the lock.
    ASSERT_TRUE(testsupport::waitFor([&] { return clock.reads() >= 1; }, 5s));
    flags.disconnectPending = true;
    holder.reset();
    EXPECT_THAT([&] { waiting.get(); },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "Unexpected online call while disconnected (after mutex lock): _machine->GetState(&state) "
                    "(dncshim_state.cpp:42")));
}

TEST_F(SdkGuardTest, LockTimeOutNamesTheCallHoldingTheSdk) {
    SdkGuard::setSdkMutexTimeout(1);
    LockHolder holder(guard, "_machine->Connect(host)", true);
    EXPECT_THAT([&] { guard.online(kGetDncMode, kSite, [] { return dnc::kOk; }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Could not get SDK lock within 1 seconds for call _automatic->GetDncMode(&dncMode) "
                          "other=_machine->Connect(host) (dncshim_state.cpp:42")));
    // Another lock waited for under the same rule names this session's call as well.
    std::timed_mutex cacheLock;
    std::lock_guard<std::timed_mutex> taken(cacheLock);
    auto other = std::async(std::launch::async, [&] { guard.lock(cacheLock, "readToolTable", kSite); });
    EXPECT_THAT([&] { other.get(); },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "Could not get SDK lock within 1 seconds for call readToolTable other=_machine->Connect(host) "
                    "(dncshim_state.cpp:42")));
}

TEST_F(SdkGuardTest, NegativeCodesBecomeOneUniformText) {
    EXPECT_THAT([&] { guard.online(kGetState, kSite, [] { return dnc::kConnectionLost; }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->GetState(&state) produced error (0x800406cc): Connection to the CNC is lost "
                          "(isConnected:1, dncshim_state.cpp:42)")));
    EXPECT_THAT([&] { guard.online(kGetState, kSite, [] { return dnc::code(0x80001234); }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->GetState(&state) produced error (0x80001234):  (isConnected:1, "
                          "dncshim_state.cpp:42)")));
    // The connected state is the one after the call.
    EXPECT_THAT([&] {
        guard.online(kGetState, kSite, [&] {
            flags.disconnectPending = true;
            return dnc::kFail;
        });
    },
                ThrowsMessage<std::runtime_error>(testing::HasSubstr("An unspecified failure has occurred (isConnected:0, ")));
}

TEST_F(SdkGuardTest, SuccessWhileTheSessionWasMarkedForDisconnectionFails) {
    EXPECT_THAT([&] {
        guard.online(kGetState, kSite, [&] {
            flags.disconnectPending = true;
            return dnc::kOk;
        });
    },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "Machine is not any longer connected after call: _machine->GetState(&state) (dncshim_state.cpp:42")));
    // The lock was released as the failure left.
    flags.disconnectPending = false;
    EXPECT_EQ(guard.online(kGetState, kSite, [] { return dnc::kOk; }), dnc::kOk);
}

TEST_F(SdkGuardTest, SlowCallWarningStartsAbove4000Milliseconds) {
    testsupport::FakeClock clock;
    guard.online(kGetState, kSite, [] { return dnc::kOk; });
    guard.online(kGetDncMode, kSite, [&] { clock.advanceMs(4000); return dnc::kOk; });
    EXPECT_TRUE(log.entries().empty());
    guard.online(kGetDncMode, kSite, [&] { clock.advanceNs(4'001'999'999); return dnc::kOk; });
    EXPECT_EQ(log.entries(),
              (std::vector<CapturedEvent>{{platform::kAgentEventSource, platform::EventWarning,
                                           "heidenhain::afterCall\tmill taking unusually long, 4001 ms for mutex+sdk "
                                           "and 4001 ms at sdk, at call _automatic->GetDncMode(&dncMode) "
                                           "otherBeforeMutex=_automatic->GetDncMode(&dncMode) "
                                           "otherBeforeSdk=_automatic->GetDncMode(&dncMode) "
                                           "while other=_automatic->GetDncMode(&dncMode)\n"}}));
}

TEST_F(SdkGuardTest, SlowCallTotalIncludesTheWaitForTheLock) {
    CountingClock clock;
    std::optional<LockHolder> holder;
    holder.emplace(guard, kGetState, true);
    const int readsBefore = clock.reads();
    auto slow = std::async(std::launch::async, [&] {
        return guard.online(kGetDncMode, kSite, [&] {
            clock.advance(2'500'600'000ns);
            return dnc::kOk;
        });
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return clock.reads() > readsBefore; }, 5s));
    clock.advance(1'500'500'000ns);
    holder.reset();
    EXPECT_EQ(slow.get(), dnc::kOk);
    ASSERT_EQ(log.entries().size(), 1u);
    EXPECT_EQ(log.entries()[0].text,
              "heidenhain::afterCall\tmill taking unusually long, 4001 ms for mutex+sdk and 2500 ms at sdk, at call "
              "_automatic->GetDncMode(&dncMode) otherBeforeMutex=_machine->GetState(&state) "
              "otherBeforeSdk=_machine->GetState(&state) while other=_automatic->GetDncMode(&dncMode)\n");
}

TEST_F(SdkGuardTest, OfflineCallWhileConnectedIsNoticedAndMade) {
    guard.online(kGetState, kSite, [] { return dnc::kOk; });
    testing::internal::CaptureStderr();
    bool ran = false;
    guard.offline("CoInitializeEx(NULL, COINIT_MULTITHREADED)", kSite, [&] { ran = true; return dnc::kOk; });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unexpected offline call CoInitializeEx(NULL, COINIT_MULTITHREADED) while connected\n");
    EXPECT_TRUE(ran);
    EXPECT_EQ(guard.currentSdkCall(), kGetState) << "offline calls leave the current call alone";

    flags.connected = false;
    testing::internal::CaptureStderr();
    EXPECT_THAT([&] { guard.offline("_machine->ListConnections(&connectionList)", kSite, [] { return dnc::kFail; }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->ListConnections(&connectionList) produced error (0x80004005): An unspecified "
                          "failure has occurred (isConnected:0, dncshim_state.cpp:42)")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(SdkGuardTest, LockedCallLeavesTheResultToTheCaller) {
    flags.connected = false;
    EXPECT_EQ(guard.locked("_machine->Connect", kSite, [] { return dnc::kNotOnLine; }), dnc::kNotOnLine);
    EXPECT_EQ(guard.currentSdkCall(), "");
}

TEST_F(SdkGuardTest, InterfaceCheckComesBeforeTheOnlineCall) {
    auto call = [&](bool present) {
        return guard.checkedInterface({"Automatic", present, "getDncMode"}, kGetDncMode, kSite,
                                      [] { return dnc::kOk; });
    };
    EXPECT_EQ(call(true), dnc::kOk);
    EXPECT_THAT([&] { call(false); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("mill does not have IJHAutomatic interface; cannot call DncShim::getDncMode, "
                          "dncshim_state.cpp:42)")));
    EXPECT_EQ(log.entries(), (std::vector<CapturedEvent>{
                                 {platform::kAgentEventSource, platform::EventInformation,
                                  "heidenhain::getDncMode\tmill: mill does not have IJHAutomatic interface; cannot "
                                  "call DncShim::getDncMode, dncshim_state.cpp:42)\n"}}));

    flags.connected = false;
    testing::internal::CaptureStderr();
    const std::string disconnected =
        "Unexpected online call CHECK_INTERFACE(Automatic) while disconnected inDncShim::getDncMode, "
        "dncshim_state.cpp:42)";
    EXPECT_THAT([&] { call(true); }, ThrowsMessage<std::runtime_error>(StrEq(disconnected)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), disconnected + "\n");
}

TEST_F(SdkGuardTest, LostLinkInBackgroundWorkCallsTheHandlerWithoutTheLock) {
    SdkGuard::setSdkMutexTimeout(1);
    std::vector<dnc::HRESULT> seen;
    bool lockFreeInHandler = false;
    SdkGuard::LostLinkHandler onLost = [&](dnc::HRESULT hr) {
        seen.push_back(hr);
        auto probe = std::async(std::launch::async, [&] { return guard.locked("probe", kSite, [] { return dnc::kOk; }); });
        lockFreeInHandler = probe.get() == dnc::kOk;
    };
    EXPECT_EQ(guard.onlineUnlessLost(kGetState, kSite, onLost, [] { return dnc::kConnectionLost; }), std::nullopt);
    EXPECT_EQ(guard.onlineUnlessLost(kGetState, kSite, onLost, [] { return dnc::kCommunicationFailure; }),
              std::nullopt);
    EXPECT_EQ(seen, (std::vector<dnc::HRESULT>{dnc::kConnectionLost, dnc::kCommunicationFailure}));
    EXPECT_TRUE(lockFreeInHandler);
    EXPECT_EQ(guard.onlineUnlessLost(kGetState, kSite, onLost, [] { return dnc::kFalse; }), dnc::kFalse);
    EXPECT_THAT([&] { guard.onlineUnlessLost(kGetState, kSite, onLost, [] { return dnc::kNotOnLine; }); },
                ThrowsMessage<std::runtime_error>(testing::StartsWith(
                    "Call _machine->GetState(&state) produced error (0x80040266): ")));
    EXPECT_EQ(seen.size(), 2u);
}

TEST(SdkMutexTimeout, BelowOneIsRefusedAndTheOldValueKept) {
    EXPECT_EQ(SdkGuard::getSdkMutexTimeout(), 5);
    EXPECT_EQ(SdkGuard::setSdkMutexTimeout(9), 9);
    for (int refused : {0, -3}) {
        EXPECT_THAT([&] { SdkGuard::setSdkMutexTimeout(refused); },
                    ThrowsMessage<std::runtime_error>(StrEq("Value must be greater than zero")));
        EXPECT_EQ(SdkGuard::getSdkMutexTimeout(), 9);
    }
    SdkGuard::setSdkMutexTimeout(5);
}

}  // namespace
}  // namespace heidenhain
