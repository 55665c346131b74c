// connect: controller type and protocol rules, the SDK connection of a host,
// and the ways a connect fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "dncsim/simulator.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }
std::shared_ptr<dncsim::Connection> sdkConnection(const std::string& host) { return sim().connections()->find(host); }
std::pair<int, int> typeAndProtocol(const std::string& host) {
    auto connection = sdkConnection(host);
    return connection ? std::pair(connection->cncType(), connection->protocol()) : std::pair(0, 0);
}

class ConnectTest : public SessionTest {};

TEST_F(ConnectTest, ControllerTypeFixesCncTypeAndProtocol) {
    session("mill").connection().connect("a.test", "tnc640");
    session("lathe").connection().connect("b.test", "tnc640", "");
    session("grinder").connection().connect("c.test", "itnc", "tcpip");  // a CNC type name with its protocol
    EXPECT_EQ(typeAndProtocol("a.test"), std::pair(10, 5));
    EXPECT_EQ(typeAndProtocol("b.test"), std::pair(10, 5));
    EXPECT_EQ(typeAndProtocol("c.test"), std::pair(1, 2));
    EXPECT_EQ(sdkConnection("a.test")->host(), "a.test");
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect", "lathe (b.test, tnc640, )"));
}

TEST_F(ConnectTest, NamesAndProtocolsOutsideTheRulesAreRefused) {
    auto& mill = session();
    auto refused = [&](std::vector<std::string> args, const std::string& message) {
        EXPECT_THAT([&] { args.size() == 2 ? mill.connection().connect(args[0], args[1]) : mill.connection().connect(args[0], args[1], args[2]); },
                    ThrowsMessage<std::runtime_error>(StrEq(message)));
    };
    const std::string lsv2 = "For the given controllerType=tnc640 the specified protocol=lsv2 (=1) is not allowed "
                             "whereas to our knowledge it requires protocol=5";
    refused({"a.test", "tnc640", "lsv2"}, lsv2);
    EXPECT_TRUE(loggedAs(platform::EventError, "connect", "mill " + lsv2));
    refused({"a.test", "tnc640", "pigeon"}, "For the given controllerType=tnc640 the specified protocol=pigeon (=0) is "
                                            "not allowed whereas to our knowledge it requires protocol=5");
    refused({"a.test", "itnc"}, "Unknown controllerType=itnc");
    refused({"a.test", "itnc", ""}, "Unknown protocol=");
    refused({"a.test", "heidelberg", "rpc"}, "Unknown cncType=heidelberg");
    EXPECT_EQ(sim().connections()->count(), 0) << "nothing reached the SDK";
}

TEST_F(ConnectTest, ConnectWhileConnectedOnlyWritesItsEntry) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    log.clear();
    mill.connection().connect("b.test", "itnc530");
    EXPECT_EQ(texts(), std::vector<std::string>{entry("connect", "mill (b.test, itnc530)")});
}

TEST_F(ConnectTest, MatchingSdkConnectionIsReusedOtherwiseReplaced) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    auto first = sdkConnection("a.test");
    mill.connection().disconnect();
    mill.connection().connect("a.test", "tnc640");
    EXPECT_EQ(sdkConnection("a.test"), first);
    EXPECT_FALSE(log.containsTextPart("removeConnection"));
    mill.connection().disconnect();
    mill.connection().connect("a.test", "itnc530");
    EXPECT_TRUE(loggedAs(platform::EventInformation, "removeConnection", "mill (a.test)"));
    EXPECT_EQ(sim().connections()->count(), 1);
    EXPECT_EQ(typeAndProtocol("a.test"), std::pair(1, 2));
}

TEST_F(ConnectTest, UnreachableHostFailsAndReleasesTheMachine) {
    auto& mill = session();
    const std::string reason = "The CNC IP address cnc.invalid could not be contacted. Maybe the machine is not online.\n";
    EXPECT_THAT([&] { mill.connection().connect("cnc.invalid", "tnc640"); },
                ThrowsMessage<std::runtime_error>(StrEq("CNC connection to cnc.invalid failed because: " + reason + "\n")));
    EXPECT_TRUE(loggedAs(platform::EventWarning, "connect", "mill CNC connection failed because: " + reason + "\n"));
    EXPECT_FALSE(log.containsTextPart("heidenhain::disconnect")) << "it never counted as connected";
    mill.connection().connect("a.test", "tnc640");
    EXPECT_FALSE(log.containsTextPart("machineInit")) << "a fresh machine object";
}

TEST_F(ConnectTest, MachineStillBootingIsRefused) {
    auto& mill = session();
    sim().faults().setBooting("a.test", true);
    const std::string booting = "Machine not yet sufficently booted up (state dnc_is_available(4)); need to try again later";
    EXPECT_THAT([&] { mill.connection().connect("a.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(StrEq("CNC connection to a.test failed because: " + booting + "\n")));
    EXPECT_TRUE(loggedAs(platform::EventWarning, "initializeInterfaces", "mill " + booting));
    EXPECT_TRUE(logged("disconnect", "mill: CNC sucessfully disconnected")) << "it had counted as connected";
    EXPECT_FALSE(mill.connection().isConnected());
}

TEST_F(ConnectTest, ConnectLockOfTheProcessTimesOutUnwrapped) {
    SdkGuard::setSdkMutexTimeout(1);
    sim().faults().delay("Connect", 30s, 1);
    auto first = std::async(std::launch::async, [&] { session("mill").connection().connect("a.test", "tnc640"); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("Connect", 5s));
    EXPECT_THAT([&] { session("lathe").connection().connect("b.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Could not get SDK lock within 1 seconds for call Machine Connect to b.test other= (")));
    sim().faults().releaseDelayed();
    first.get();
}

TEST_F(ConnectTest, ConnectWhileAwaitingFinalDisconnectionIsRefused) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    SdkGuard::setSdkMutexTimeout(1);
    // A call stuck in the SDK makes the disconnect fail part-way.
    sim().faults().delay("GetState", 30s, 1);
    auto stuck = std::async(std::launch::async, [&] { return mill.connection().getState(); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 5s));
    EXPECT_THAT([&] { mill.connection().disconnect(); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Could not get SDK lock within 1 seconds for call _machine->Disconnect() "
                               "other=_machine->GetState(&state) (")));
    const std::string refused = "Cannot connect to a.test again, still awaiting final disconnection";
    EXPECT_THAT([&] { mill.connection().connect("a.test", "tnc640"); }, ThrowsMessage<std::runtime_error>(StrEq(refused)));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect", "mill " + refused));
    sim().faults().releaseDelayed();
    EXPECT_THAT([&] { stuck.get(); }, ThrowsMessage<std::runtime_error>(StartsWith(
                                          "Machine is not any longer connected after call: _machine->GetState(&state) (")));
}

TEST_F(ConnectTest, ConnectDuringARunningDisconnectIsRefusedAtOnceAndALaterOneKeepsItsType) {
    auto& mill = session();
    mill.connection().connect("a.test", "itnc530");
    sim().faults().delay("Disconnect", 30s, 1);
    auto leaving = std::async(std::launch::async, [&] { mill.connection().disconnect(); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("Disconnect", 5s));
    EXPECT_THAT([&] { mill.connection().connect("a.test", "itnc530"); },
                ThrowsMessage<std::runtime_error>(StrEq("Cannot connect to a.test again, still awaiting final disconnection")));
    sim().faults().releaseDelayed();
    leaving.get();
    mill.connection().connect("a.test", "itnc530");
    EXPECT_TRUE(mill.interfaces().hasItncTableInterface()) << "the controller type survives the disconnect before it";
}

}  // namespace
}  // namespace heidenhain
