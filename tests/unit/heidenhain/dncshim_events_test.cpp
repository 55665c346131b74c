// Machine state events, the scheduled disconnect and the callbacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dncsim/simulator.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using testing::StartsWith;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

class MachineEventTest : public SessionTest {
protected:
    DncShim& connected(const std::string& name = "mill") {
        auto& mill = session(name);
        mill.connection().onStateChanged([this](std::string event) { states.push(event); });
        mill.connection().onConnectLost([this](std::string text) { lost.push(text); });
        mill.connection().onDisconnectDone([this](std::string text) { done.push(text); });
        mill.connection().connect("a.test", "tnc640");
        return mill;
    }
    void raise(int stateEvent) {
        ASSERT_TRUE(sim().raiseMachineEvent("a.test", stateEvent));
        ASSERT_TRUE(eventsHandled());
    }

    testsupport::EventQueue<std::string> states, lost, done;
};

TEST_F(MachineEventTest, ShutdownEventsScheduleTheDisconnectOthersAreInformation) {
    auto& mill = connected();
    raise(dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    raise(42);
    EXPECT_TRUE(loggedAs(platform::EventInformation, "onMachineStateChanged", "mill: machine_available"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "onMachineStateChanged", "mill: "));
    EXPECT_TRUE(mill.connection().isConnected());
    const std::vector<std::string> shutdowns{"machine_shutting_down", "dnc_stopped", "host_stopped", "connection_lost"};
    for (int number = 7; number <= 10; ++number) {
        auto& other = number == 7 ? mill : connected("mill" + std::to_string(number));
        raise(number);
        const auto& name = shutdowns[number - 7];
        EXPECT_TRUE(loggedAs(platform::EventWarning, "onMachineStateChanged",
                             other.name() + ": Machine state changed into shutdown (" + name + ")."));
        EXPECT_FALSE(other.connection().isConnected()) << name;
        other.connection().disconnect();
    }
    EXPECT_EQ(states.snapshot()[1], "");
    EXPECT_EQ(lost.size(), 4u);
}

TEST_F(MachineEventTest, LostConnectionCallsConnectLostOnceAndStateChangedEachTime) {
    auto& mill = connected();
    sim().loseLink("a.test");
    ASSERT_TRUE(eventsHandled());
    raise(dnc::DNC_EVT_STATE_CONNECTION_LOST);
    EXPECT_EQ(states.snapshot(), (std::vector<std::string>{"connection_lost", "connection_lost"}));
    EXPECT_EQ(lost.snapshot(), std::vector<std::string>{""});
    EXPECT_EQ(times("scheduleDisconnect", "mill Triggering machine disconnect"), 1u);

    EXPECT_FALSE(mill.connection().isConnected());
    EXPECT_THAT([&] { mill.connection().getState(); }, ThrowsMessage<std::runtime_error>(StartsWith(
                                               "Unexpected online call while disconnected: _machine->GetState(&state) (")));
    EXPECT_THAT([&] { mill.connection().getVersion(); },
                ThrowsMessage<std::runtime_error>(StartsWith("Unexpected online call while disconnected: getVersion (")));
    log.clear();
    mill.connection().disconnect();
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("disconnect", "mill"),
                                                 entry("disconnect", "mill: CNC sucessfully disconnected")}));
    EXPECT_EQ(done.snapshot(), std::vector<std::string>{""});
}

TEST_F(MachineEventTest, LostSessionConnectsAgainOnTheMachineObjectItKept) {
    auto& mill = connected();
    sim().loseLink("a.test");
    ASSERT_TRUE(eventsHandled());
    sim().restoreLink("a.test");
    testing::internal::CaptureStdout();
    mill.connection().connect("a.test", "tnc640");
    const std::string ignoring =
        " machineInit millcalled even though there already was an JHMachine instance? Ignoring this call";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ignoring + "\n");
    EXPECT_TRUE(loggedAs(platform::EventWarning, "machineInit", "mill" + ignoring));
    EXPECT_EQ(mill.connection().getState(), "machine_is_available");
    raise(dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    EXPECT_EQ(states.snapshot().back(), "machine_available") << "the sink it kept still delivers";
}

}  // namespace
}  // namespace heidenhain
