#include "heidenhain/sdk_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "platform/steady_clock.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/wait_for.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

constexpr CallSite kSite{"dncshim_state.cpp", 42};
constexpr const char* kGetState = "_machine->GetState(&state)";
constexpr const char* kGetDncMode = "_automatic->GetDncMode(&dncMode)";
dnc::HRESULT ok() { return dnc::kOk; }

// A test clock that also counts its readings: the first reading of an online
// call comes right before it waits for the lock.
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
    bool waitForReads(int count) {
        return testsupport::waitFor([&] { return state_->reads >= count; }, 5s);
    }

private:
    struct State {
        std::atomic<std::int64_t> now{1'000'000'000'000};
        std::atomic<int> reads{0};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class SdkGuardTest : public testing::Test {
protected:
    void SetUp() override { flags.connected = true; }
    void TearDown() override { SdkGuard::setSdkMutexTimeout(5); }

    // Holds the SDK lock on another thread, inside an online or a locked call,
    // until the returned future's promise is fulfilled.
    std::future<void> hold(const char* call, bool online, std::promise<void>& release) {
        // A promise, not std::latch: the MinGW runtime's latch can lose its
        // wake-up and leave this wait asleep for ever.
        auto entered = std::make_shared<std::promise<void>>();
        std::future<void> inside = entered->get_future();
        auto body = [&release, entered] {
            entered->set_value();
            release.get_future().wait();
            return dnc::kOk;
        };
        auto held = std::async(std::launch::async, [=, this] {
            online ? guard.online(call, kSite, body) : guard.locked(call, kSite, body);
        });
        inside.wait();
        return held;
    }

    SessionFlags flags;
    SdkGuard guard{"mill", flags};
    testsupport::CapturingEventSink log;
};

TEST_F(SdkGuardTest, NotConnectedBeforeAndAfterTheLock) {
    CountingClock clock;
    std::promise<void> release;
    auto holder = hold("_machine->Connect", false, release);
    flags.disconnectPending = true;
    // Fails at once although another thread holds the lock.
    EXPECT_THAT([&] { guard.online(kGetState, kSite, ok); },
                ThrowsMessage<std::runtime_error>(StrEq(
                    "Unexpected online call while disconnected: _machine->GetState(&state) (dncshim_state.cpp:42")));
    flags.disconnectPending = false;
    auto waiting = std::async(std::launch::async, [&] { guard.online(kGetState, kSite, ok); });
    ASSERT_TRUE(clock.waitForReads(1));
    flags.connected = false;
    release.set_value();
    EXPECT_THAT([&] { waiting.get(); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Unexpected online call while disconnected (after mutex lock): _machine->GetState(&state) "
                          "(dncshim_state.cpp:42")));
}

TEST_F(SdkGuardTest, LockTimeOutNamesTheCallHoldingTheSdk) {
    SdkGuard::setSdkMutexTimeout(1);
    std::promise<void> release;
    auto holder = hold("_machine->Connect(host)", true, release);
    EXPECT_THAT([&] { guard.online(kGetDncMode, kSite, ok); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Could not get SDK lock within 1 seconds for call _automatic->GetDncMode(&dncMode) "
                          "other=_machine->Connect(host) (dncshim_state.cpp:42")));
    release.set_value();
}

// Every machine call passes this lock: threads hand it to each other
// thousands of times, and a lost wake-up would leave one of them waiting.
TEST_F(SdkGuardTest, ContendedCallsNeitherHangNorOverlap) {
    std::atomic<int> inside{0}, overlaps{0}, calls{0};
    auto call = [&] {
        if (++inside != 1) ++overlaps;
        ++calls;
        --inside;
        return dnc::kOk;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) (void)guard.online(kGetState, kSite, call);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(calls, 20000);
}

TEST_F(SdkGuardTest, FailingAndInvalidatedCalls) {
    auto failing = [&](dnc::HRESULT hr) { return [&, hr] { guard.online(kGetState, kSite, [hr] { return hr; }); }; };
    EXPECT_THAT(failing(dnc::kConnectionLost),
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->GetState(&state) produced error (0x800406cc): Connection to the CNC is lost "
                          "(isConnected:1, dncshim_state.cpp:42)")));
    EXPECT_THAT(failing(dnc::code(0x80001234)),
                ThrowsMessage<std::runtime_error>(StrEq("Call _machine->GetState(&state) produced error (0x80001234):  "
                                                        "(isConnected:1, dncshim_state.cpp:42)")));
    // A machine state event during the call: the state is the one after it.
    auto marked = [&](dnc::HRESULT hr) {
        return [&, hr] {
            guard.online(kGetState, kSite, [&, hr] {
                flags.disconnectPending = true;
                return hr;
            });
        };
    };
    EXPECT_THAT(marked(dnc::kFail), ThrowsMessage<std::runtime_error>(testing::HasSubstr("(isConnected:0, ")));
    flags.disconnectPending = false;
    EXPECT_THAT(marked(dnc::kOk), ThrowsMessage<std::runtime_error>(StrEq(
                                      "Machine is not any longer connected after call: _machine->GetState(&state) "
                                      "(dncshim_state.cpp:42")));
    flags.disconnectPending = false;
    EXPECT_EQ(guard.online(kGetState, kSite, [] { return dnc::kFalse; }), dnc::kFalse) << "the lock was released";
}

TEST_F(SdkGuardTest, SlowCallWarningAbove4000MillisecondsCountsTheWaitForTheLock) {
    CountingClock clock;
    guard.online(kGetState, kSite, [&] { clock.advance(4000ms); return dnc::kOk; });
    EXPECT_TRUE(log.entries().empty());

    std::promise<void> release;
    auto holder = hold(kGetState, true, release);
    auto slow = std::async(std::launch::async, [&] {
        guard.online(kGetDncMode, kSite, [&] { clock.advance(2'500'600'000ns); return dnc::kOk; });
    });
    ASSERT_TRUE(clock.waitForReads(6));  // three readings of the first call, two of the holder, one of this
    clock.advance(1'500'500'000ns);
    release.set_value();
    slow.get();
    EXPECT_EQ(log.textsOf(platform::kAgentEventSource),
              std::vector<std::string>{
                  "heidenhain::afterCall\tmill taking unusually long, 4001 ms for mutex+sdk and 2500 ms at sdk, at "
                  "call _automatic->GetDncMode(&dncMode) otherBeforeMutex=_machine->GetState(&state) "
                  "otherBeforeSdk=_machine->GetState(&state) while other=_automatic->GetDncMode(&dncMode)\n"});
    EXPECT_EQ(log.entries()[0].type, platform::EventWarning);
}

TEST_F(SdkGuardTest, OfflineAndLockedCalls) {
    guard.online(kGetState, kSite, ok);
    testing::internal::CaptureStderr();
    guard.offline("CoInitializeEx(NULL, COINIT_MULTITHREADED)", kSite, ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unexpected offline call CoInitializeEx(NULL, COINIT_MULTITHREADED) while connected\n");
    EXPECT_EQ(guard.currentSdkCall(), kGetState) << "offline calls leave the current call alone";

    flags.connected = false;
    EXPECT_THAT([&] { guard.offline("_machine->ListConnections(&connectionList)", kSite, [] { return dnc::kFail; }); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->ListConnections(&connectionList) produced error (0x80004005): An "
                          "unspecified failure has occurred (isConnected:0, dncshim_state.cpp:42)")));
    EXPECT_EQ(guard.locked("_machine->Connect", kSite, [] { return dnc::kNotOnLine; }), dnc::kNotOnLine);
}

TEST_F(SdkGuardTest, InterfaceCheckComesFirst) {
    auto call = [&](bool present) { guard.checkedInterface({"Automatic", present, "getDncMode"}, kGetDncMode, kSite, ok); };
    call(true);
    const std::string missing =
        "mill does not have IJHAutomatic interface; cannot call DncShim::getDncMode, dncshim_state.cpp:42)";
    EXPECT_THAT([&] { call(false); }, ThrowsMessage<std::runtime_error>(StrEq(missing)));
    EXPECT_EQ(log.entries(), (std::vector<testsupport::CapturedEvent>{{platform::kAgentEventSource,
                                                                       platform::EventInformation,
                                                                       "heidenhain::getDncMode\tmill: " + missing + "\n"}}));
    flags.connected = false;
    testing::internal::CaptureStderr();
    const std::string disconnected =
        "Unexpected online call CHECK_INTERFACE(Automatic) while disconnected inDncShim::getDncMode, "
        "dncshim_state.cpp:42)";
    EXPECT_THAT([&] { call(true); }, ThrowsMessage<std::runtime_error>(StrEq(disconnected)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), disconnected + "\n");
}

TEST_F(SdkGuardTest, LostLinkInBackgroundWorkCallsTheHandlerWithoutTheLock) {
    std::vector<dnc::HRESULT> seen;
    SdkGuard::LostLinkHandler onLost = [&](dnc::HRESULT hr) {
        seen.push_back(hr);
        // Another thread gets the lock at once: the handler runs without it.
        std::async(std::launch::async, [&] { guard.locked("probe", kSite, ok); }).get();
    };
    auto background = [&](dnc::HRESULT hr) { return guard.onlineUnlessLost(kGetState, kSite, onLost, [hr] { return hr; }); };
    EXPECT_EQ(background(dnc::kConnectionLost), std::nullopt);
    EXPECT_EQ(background(dnc::kCommunicationFailure), std::nullopt);
    EXPECT_EQ(background(dnc::kFalse), dnc::kFalse);
    EXPECT_THAT([&] { background(dnc::kNotOnLine); },
                ThrowsMessage<std::runtime_error>(StartsWith("Call _machine->GetState(&state) produced error (0x80040266): ")));
    EXPECT_EQ(seen, (std::vector<dnc::HRESULT>{dnc::kConnectionLost, dnc::kCommunicationFailure}));
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
