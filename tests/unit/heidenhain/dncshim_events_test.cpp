// Machine state events, the scheduled disconnect and the callbacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dncsim/simulator.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::StartsWith;
using testing::ThrowsMessage;
using testsupport::EventQueue;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

class MachineEventTest : public SessionTest {
protected:
    DncShim& connected() {
        auto& mill = session();
        mill.onStateChanged([this](std::string event) { states.push(event); });
        mill.onConnectLost([this](std::string text) { lost.push(text); });
        mill.onDisconnectDone([this](std::string text) { done.push(text); });
        mill.connect("a.test", "tnc640");
        return mill;
    }
    void raise(int stateEvent) {
        ASSERT_TRUE(sim().raiseMachineEvent("a.test", stateEvent));
        ASSERT_TRUE(sim().drainEvents());
    }

    EventQueue<std::string> states;
    EventQueue<std::string> lost;
    EventQueue<std::string> done;
};

TEST_F(MachineEventTest, OrdinaryEventsAreInformationAndKeepTheConnection) {
    auto& mill = connected();
    raise(dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    raise(42);
    EXPECT_EQ(states.snapshot(), (std::vector<std::string>{"machine_available", ""}));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "onMachineStateChanged", "mill: machine_available"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "onMachineStateChanged", "mill: "));
    EXPECT_TRUE(mill.isConnected());
    EXPECT_EQ(lost.size(), 0u);
}

TEST_F(MachineEventTest, EachShutdownEventSchedulesTheDisconnect) {
    const std::vector<std::pair<int, std::string>> shutdowns{
        {7, "machine_shutting_down"}, {8, "dnc_stopped"}, {9, "host_stopped"}, {10, "connection_lost"}};
    for (const auto& [number, name] : shutdowns) {
        auto& mill = connected();
        raise(number);
        EXPECT_TRUE(loggedAs(platform::EventWarning, "onMachineStateChanged",
                             "mill: Machine state changed into shutdown (" + name + ")."));
        EXPECT_FALSE(mill.isConnected()) << name;
        EXPECT_EQ(lost.tryPop(), std::optional<std::string>("")) << name;
        mill.disconnect();
    }
}

TEST_F(MachineEventTest, LostConnectionCallsConnectLostOnceAndStateChangedEachTime) {
    auto& mill = connected();
    sim().loseLink("a.test");
    ASSERT_TRUE(sim().drainEvents());
    raise(dnc::DNC_EVT_STATE_CONNECTION_LOST);
    EXPECT_EQ(states.snapshot(), (std::vector<std::string>{"connection_lost", "connection_lost"}));
    EXPECT_EQ(lost.snapshot(), std::vector<std::string>{""});
    EXPECT_EQ(times("scheduleDisconnect", "mill Triggering machine disconnect"), 1u);

    // Lost: every machine function fails as disconnected until disconnect and connect.
    EXPECT_FALSE(mill.isConnected());
    EXPECT_THAT([&] { mill.getState(); }, ThrowsMessage<std::runtime_error>(StartsWith(
                                               "Unexpected online call while disconnected: _machine->GetState(&state) (")));
    EXPECT_THAT([&] { mill.getVersion(); },
                ThrowsMessage<std::runtime_error>(StartsWith("Unexpected online call while disconnected: getVersion (")));
    EXPECT_EQ(mill.getAgentVersion(), "4.0.3");

    log.clear();
    mill.disconnect();
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("disconnect", "mill"),
                                                 entry("disconnect", "mill: CNC sucessfully disconnected")}));
    EXPECT_EQ(done.snapshot(), std::vector<std::string>{""});
    sim().restoreLink("a.test");
    mill.connect("a.test", "tnc640");
    EXPECT_EQ(mill.getState(), "machine_is_available");
}

TEST_F(MachineEventTest, LostSessionConnectsAgainOnTheMachineObjectItKept) {
    auto& mill = connected();
    sim().loseLink("a.test");
    ASSERT_TRUE(sim().drainEvents());
    sim().restoreLink("a.test");
    testing::internal::CaptureStdout();
    mill.connect("a.test", "tnc640");
    const std::string ignoring =
        " machineInit millcalled even though there already was an JHMachine instance? Ignoring this call";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ignoring + "\n");
    EXPECT_TRUE(loggedAs(platform::EventWarning, "machineInit", "mill" + ignoring));
    EXPECT_TRUE(mill.isConnected());
    EXPECT_EQ(mill.getState(), "machine_is_available");
    // The machine sink it kept still delivers.
    raise(dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    EXPECT_TRUE(states.contains([](const std::string& event) { return event == "machine_available"; }));
}

TEST_F(MachineEventTest, ScheduledDisconnectIsReportedOnce) {
    auto& mill = session();
    mill.onConnectLost([this](std::string text) { lost.push(text); });
    // Disconnected: nothing is awaited, so the request counts.
    mill.scheduleDisconnect();
    mill.scheduleDisconnect();
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(times("scheduleDisconnect", "mill Triggering machine disconnect"), 1u);
}

}  // namespace
}  // namespace heidenhain
