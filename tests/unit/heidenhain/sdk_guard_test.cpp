#include "heidenhain/sdk/sdk_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "heidenhain/sdk/interface_check.h"
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
            online ? guard.run({call, kSite}, body) : static_cast<void>(guard.call(lockedCall(call, kSite), body));
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
    EXPECT_THAT(
        [&] {
            guard.run({kGetState, kSite}, ok);
        },
        ThrowsMessage<std::runtime_error>(
            StrEq("Unexpected online call while disconnected: _machine->GetState(&state) (heidenhain/dncshim_state.cpp:42")));
    flags.disconnectPending = false;
    auto waiting = std::async(std::launch::async, [&] { guard.run({kGetState, kSite}, ok); });
    ASSERT_TRUE(clock.waitForReads(1));
    flags.connected = false;
    release.set_value();
    EXPECT_THAT([&] { waiting.get(); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Unexpected online call while disconnected (after mutex lock): _machine->GetState(&state) "
                          "(heidenhain/dncshim_state.cpp:42")));
}

TEST_F(SdkGuardTest, LockTimeOutNamesTheCallHoldingTheSdk) {
    SdkGuard::setSdkMutexTimeout(1);
    std::promise<void> release;
    auto holder = hold("_machine->Connect(host)", true, release);
    EXPECT_THAT(
        [&] {
            guard.run({kGetDncMode, kSite}, ok);
        },
        ThrowsMessage<std::runtime_error>(
            StrEq("Could not get SDK lock within 1 seconds for call _automatic->GetDncMode(&dncMode) "
                  "other=_machine->Connect(host) (heidenhain/dncshim_state.cpp:42")));
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
            for (int i = 0; i < 5000; ++i) guard.run({kGetState, kSite}, call);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(calls, 20000);
}

TEST_F(SdkGuardTest, FailingAndInvalidatedCalls) {
    auto failing = [&](dnc::HRESULT hr) { return [&, hr] { guard.run({kGetState, kSite}, [hr] { return hr; }); }; };
    EXPECT_THAT(failing(dnc::kConnectionLost),
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call _machine->GetState(&state) produced error (0x800406cc): Connection to the CNC is lost "
                          "(isConnected:1, heidenhain/dncshim_state.cpp:42)")));
    EXPECT_THAT(failing(dnc::code(0x80001234)),
                ThrowsMessage<std::runtime_error>(StrEq("Call _machine->GetState(&state) produced error (0x80001234):  "
                                                        "(isConnected:1, heidenhain/dncshim_state.cpp:42)")));
    // A machine state event during the call: the state is the one after it.
    auto marked = [&](dnc::HRESULT hr) {
        return [&, hr] {
            guard.run({kGetState, kSite}, [&, hr] {
                flags.disconnectPending = true;
                return hr;
            });
        };
    };
    EXPECT_THAT(marked(dnc::kFail), ThrowsMessage<std::runtime_error>(testing::HasSubstr("(isConnected:0, ")));
    flags.disconnectPending = false;
    EXPECT_THAT(marked(dnc::kOk), ThrowsMessage<std::runtime_error>(StrEq(
                                      "Machine is not any longer connected after call: _machine->GetState(&state) "
                                      "(heidenhain/dncshim_state.cpp:42")));
    flags.disconnectPending = false;
    EXPECT_EQ(guard.call({kGetState, kSite}, [] { return dnc::kFalse; }).code, dnc::kFalse) << "the lock was released";
}

TEST_F(SdkGuardTest, SlowCallWarningAbove4000MillisecondsCountsTheWaitForTheLock) {
    CountingClock clock;
    guard.run({kGetState, kSite}, [&] {
        clock.advance(4000ms);
        return dnc::kOk;
    });
    EXPECT_TRUE(log.entries().empty());

    std::promise<void> release;
    auto holder = hold(kGetState, true, release);
    auto slow = std::async(std::launch::async, [&] {
        guard.run({kGetDncMode, kSite}, [&] {
            clock.advance(2'500'600'000ns);
            return dnc::kOk;
        });
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
    guard.run({kGetState, kSite}, ok);
    testing::internal::CaptureStderr();
    guard.run(offlineCall("CoInitializeEx(NULL, COINIT_MULTITHREADED)", kSite), ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Unexpected offline call CoInitializeEx(NULL, COINIT_MULTITHREADED) while connected\n");
    EXPECT_EQ(guard.currentSdkCall(), kGetState) << "offline calls leave the current call alone";

    flags.connected = false;
    EXPECT_THAT(
        [&] { guard.run(offlineCall("_machine->ListConnections(&connectionList)", kSite), [] { return dnc::kFail; }); },
        ThrowsMessage<std::runtime_error>(
            StrEq("Call _machine->ListConnections(&connectionList) produced error (0x80004005): An "
                  "unspecified failure has occurred (isConnected:0, heidenhain/dncshim_state.cpp:42)")));
    EXPECT_EQ(guard.call(lockedCall("_machine->Connect", kSite), [] { return dnc::kNotOnLine; }).code, dnc::kNotOnLine);
}

TEST_F(SdkGuardTest, InterfaceCheckComesFirst) {
    auto call = [&](bool present) { requireInterface(guard, {"Automatic", present, "getDncMode"}, kSite); };
    call(true);
    const std::string missing =
        "mill does not have IJHAutomatic interface; cannot call DncShim::getDncMode, heidenhain/dncshim_state.cpp:42)";
    EXPECT_THAT([&] { call(false); }, ThrowsMessage<std::runtime_error>(StrEq(missing)));
    EXPECT_EQ(log.entries(), (std::vector<testsupport::CapturedEvent>{{platform::kAgentEventSource,
                                                                       platform::EventInformation,
                                                                       "heidenhain::getDncMode\tmill: " + missing + "\n"}}));
    flags.connected = false;
    testing::internal::CaptureStderr();
    const std::string disconnected =
        "Unexpected online call CHECK_INTERFACE(Automatic) while disconnected inDncShim::getDncMode, "
        "heidenhain/dncshim_state.cpp:42)";
    EXPECT_THAT([&] { call(true); }, ThrowsMessage<std::runtime_error>(StrEq(disconnected)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), disconnected + "\n");
}

// What a code meaning "the link is gone" does, by what the call says about it.
TEST_F(SdkGuardTest, LostLinkAndAcceptedCodes) {
    int scheduled = 0;
    guard.onLostLink([&] {
        ++scheduled;
        // Another thread gets the lock at once: the handler runs without it.
        std::async(std::launch::async, [&] { static_cast<void>(guard.call(lockedCall("probe", kSite), ok)); }).get();
    });
    const std::string lostText =
        "Call _machine->GetState(&state) produced error (0x800406cc): Connection to the CNC "
        "is lost (isConnected:1, heidenhain/dncshim_state.cpp:42)";
    struct Case {
        SdkCall call;
        dnc::HRESULT answer;
        dnc::HRESULT code;  // what comes back, unless it throws
        bool ended;
        std::string thrown;
        int scheduled;
    };
    const std::vector<Case> cases = {
        {{kGetState, kSite}, dnc::kConnectionLost, 0, false, lostText, 0},
        {{kGetState, kSite, {}, OnLostLink::Disconnect}, dnc::kConnectionLost, 0, false, lostText, 1},
        {{kGetState, kSite, {}, OnLostLink::End}, dnc::kConnectionLost, dnc::kConnectionLost, true, "", 0},
        {{kGetState, kSite, {}, OnLostLink::End}, dnc::kNotOnLine, dnc::kNotOnLine, true, "", 0},
        {{kGetState, kSite, {}, OnLostLink::End}, dnc::kFalse, dnc::kFalse, false, "", 0},
        {{kGetState, kSite, {}, OnLostLink::End},
         dnc::kFail,
         0,
         false,
         "Call _machine->GetState(&state) produced error (0x80004005): An unspecified failure has occurred "
         "(isConnected:1, heidenhain/dncshim_state.cpp:42)",
         0},
        // Codes named one by one come back whatever the call says of a lost link; "every" does not take it.
        {{kGetState, kSite, {dnc::kConnectionLost}, OnLostLink::Disconnect},
         dnc::kConnectionLost,
         dnc::kConnectionLost,
         false,
         "",
         0},
        {{kGetState, kSite, Accepted::every(), OnLostLink::Disconnect}, dnc::kConnectionLost, 0, false, lostText, 1},
        {{kGetState, kSite, Accepted::every()}, dnc::kBadParameter, dnc::kBadParameter, false, "", 0},
        {{kGetState, kSite, {dnc::kRecordNotAvailable}},
         dnc::kRecordNotAvailable,
         dnc::kRecordNotAvailable,
         false,
         "",
         0},
    };
    for (const auto& c : cases) {
        scheduled = 0;
        SCOPED_TRACE(testing::Message() << "answer 0x" << std::hex << static_cast<std::uint32_t>(c.answer));
        try {
            const SdkResult result = guard.call(c.call, [&] { return c.answer; });
            EXPECT_EQ(c.thrown, "");
            EXPECT_EQ(result.code, c.code);
            EXPECT_EQ(result.ended, c.ended);
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), c.thrown);
        }
        EXPECT_EQ(scheduled, c.scheduled);
    }
    // Background work on a session found disconnected ends without reaching the SDK.
    flags.connected = false;
    bool reached = false;
    const SdkResult skipped = guard.call({kGetState, kSite, {}, OnLostLink::End}, [&] {
        reached = true;
        return dnc::kOk;
    });
    EXPECT_TRUE(skipped.ended && !skipped.linkLost() && !reached);
    EXPECT_THROW(guard.run({kGetState, kSite, Accepted::every()}, ok), std::logic_error) << "codes to read need call()";
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
