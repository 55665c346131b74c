// connect: controller type and protocol rules, the SDK connection of a host,
// and the ways a connect fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "dnc/factory.h"
#include "dncsim/simulator.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::AllOf;
using testing::EndsWith;
using testing::HasSubstr;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

std::shared_ptr<dncsim::Connection> sdkConnection(const std::string& host) {
    return sim().connections()->find(host);
}

class ConnectTest : public SessionTest {};

TEST_F(ConnectTest, ControllerTypeFixesCncTypeAndProtocol) {
    auto& mill = session("mill");
    auto& lathe = session("lathe");
    mill.connect("a.test", "tnc640");
    lathe.connect("b.test", "tnc640", "");
    for (const char* host : {"a.test", "b.test"}) {
        auto connection = sdkConnection(host);
        ASSERT_TRUE(connection) << host;
        EXPECT_EQ(connection->cncType(), 10);
        EXPECT_EQ(connection->protocol(), 5);
        EXPECT_EQ(connection->host(), host);
    }
    EXPECT_TRUE(mill.isConnected());
    EXPECT_TRUE(lathe.isConnected());
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect", "mill (a.test, tnc640)"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect", "lathe (b.test, tnc640, )"));
}

TEST_F(ConnectTest, ProtocolOtherThanTheControllerNeedsIsRefused) {
    auto& mill = session();
    const std::string lsv2 =
        "For the given controllerType=tnc640 the specified protocol=lsv2 (=1) is not allowed whereas to our "
        "knowledge it requires protocol=5";
    EXPECT_THAT([&] { mill.connect("a.test", "tnc640", "lsv2"); }, ThrowsMessage<std::runtime_error>(StrEq(lsv2)));
    EXPECT_TRUE(loggedAs(platform::EventError, "connect", "mill " + lsv2));
    EXPECT_THAT([&] { mill.connect("a.test", "tnc640", "pigeon"); },
                ThrowsMessage<std::runtime_error>(HasSubstr(" the specified protocol=pigeon (=0) is not allowed")));
    EXPECT_FALSE(sdkConnection("a.test")) << "nothing reaches the SDK";
    mill.connect("a.test", "tnc640", "rpc");
    EXPECT_TRUE(mill.isConnected());
}

TEST_F(ConnectTest, NamesOutsideTheTablesAreRefused) {
    auto& mill = session();
    EXPECT_THAT([&] { mill.connect("a.test", "itnc"); },
                ThrowsMessage<std::runtime_error>(StrEq("Unknown controllerType=itnc")));
    EXPECT_THAT([&] { mill.connect("a.test", "itnc", ""); },
                ThrowsMessage<std::runtime_error>(StrEq("Unknown protocol=")));
    EXPECT_THAT([&] { mill.connect("a.test", "heidelberg", "rpc"); },
                ThrowsMessage<std::runtime_error>(StrEq("Unknown cncType=heidelberg")));
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("connect", "mill (a.test, itnc)"),
                                                 entry("connect", "mill (a.test, itnc, )"),
                                                 entry("connect", "mill (a.test, heidelberg, rpc)")}));
    // A CNC type name with its protocol is taken as it is.
    mill.connect("a.test", "itnc", "tcpip");
    EXPECT_EQ(sdkConnection("a.test")->cncType(), 1);
    EXPECT_EQ(sdkConnection("a.test")->protocol(), 2);
}

TEST_F(ConnectTest, ConnectWhileConnectedOnlyWritesItsEntry) {
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    log.clear();
    mill.connect("b.test", "itnc530");
    EXPECT_EQ(texts(), std::vector<std::string>{entry("connect", "mill (b.test, itnc530)")});
    EXPECT_FALSE(sdkConnection("b.test"));
}

TEST_F(ConnectTest, MatchingSdkConnectionIsReusedOtherwiseReplaced) {
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    auto first = sdkConnection("a.test");
    mill.disconnect();
    mill.connect("a.test", "tnc640");
    EXPECT_EQ(sdkConnection("a.test"), first);
    mill.disconnect();
    EXPECT_FALSE(log.containsTextPart("removeConnection"));

    mill.connect("a.test", "itnc530");
    EXPECT_TRUE(loggedAs(platform::EventInformation, "removeConnection", "mill (a.test)"));
    EXPECT_EQ(sim().connections()->count(), 1);
    EXPECT_EQ(sdkConnection("a.test")->cncType(), 1);
    EXPECT_EQ(sdkConnection("a.test")->protocol(), 2);
}

TEST_F(ConnectTest, ConnectionWhoseHostPropertyDiffersIsReplaced) {
    // Configured by someone else: right name, type and protocol, other host.
    std::shared_ptr<dnc::IJHMachine> machine;
    ASSERT_EQ(dnc::machineFactory()->CreateMachine(&machine), dnc::kOk);
    std::shared_ptr<dnc::IJHConnectionList> list;
    std::shared_ptr<dnc::IJHConnection> connection;
    std::shared_ptr<dnc::IJHConnectionProperty> property;
    ASSERT_EQ(machine->ListConnections(&list), dnc::kOk);
    ASSERT_EQ(list->NewConnection(10, 5, &connection), dnc::kOk);
    connection->put_name("a.test");
    connection->get_ConnectionProperty(dnc::DNC_CP_HOST, &property);
    property->put_value(dnc::Variant("192.0.2.7"));
    ASSERT_EQ(list->AddConnection(connection), dnc::kOk);

    session().connect("a.test", "tnc640");
    EXPECT_TRUE(logged("removeConnection", "mill (a.test)"));
    EXPECT_EQ(sim().connections()->count(), 1);
    EXPECT_EQ(sdkConnection("a.test")->host(), "a.test");
}

TEST_F(ConnectTest, UnreachableHostFailsAndReleasesTheMachine) {
    auto& mill = session();
    const std::string reason = "The CNC IP address cnc.invalid could not be contacted. Maybe the machine is not online.\n";
    EXPECT_THAT([&] { mill.connect("cnc.invalid", "tnc640"); },
                ThrowsMessage<std::runtime_error>(StrEq("CNC connection to cnc.invalid failed because: " + reason + "\n")));
    EXPECT_TRUE(loggedAs(platform::EventWarning, "connect", "mill CNC connection failed because: " + reason + "\n"));
    EXPECT_FALSE(mill.isConnected());
    EXPECT_FALSE(log.containsTextPart("heidenhain::disconnect")) << "it never counted as connected";
    // A fresh machine object next time: no "already there" warning.
    sim().faults().failNext("Connect", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.connect("a.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(
                    AllOf(StartsWith("CNC connection to a.test failed because: Call _machine->Connect produced error "
                                     "(0x80004005): An unspecified failure has occurred (isConnected:0, "),
                          HasSubstr("dncshim_connection.cpp:"), EndsWith(")\n"))));
    EXPECT_FALSE(log.containsTextPart("machineInit"));
}

TEST_F(ConnectTest, MachineStillBootingIsRefused) {
    auto& mill = session();
    sim().faults().setBooting("a.test", true);
    const std::string booting =
        "Machine not yet sufficently booted up (state dnc_is_available(4)); need to try again later";
    EXPECT_THAT([&] { mill.connect("a.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(StrEq("CNC connection to a.test failed because: " + booting + "\n")));
    EXPECT_TRUE(loggedAs(platform::EventWarning, "initializeInterfaces", "mill " + booting));
    // It had counted as connected, so it went through a whole disconnect.
    EXPECT_TRUE(logged("disconnect", "mill: CNC sucessfully disconnected"));
    EXPECT_FALSE(mill.isConnected());
    sim().faults().setBooting("a.test", false);
    mill.connect("a.test", "tnc640");
    EXPECT_EQ(mill.getState(), "machine_is_available");
}

TEST_F(ConnectTest, ConnectLockTimeOutIsThrownUnchanged) {
    SdkGuard::setSdkMutexTimeout(1);
    auto& mill = session("mill");
    auto& lathe = session("lathe");
    sim().faults().delay("Connect", 30s, 1);
    auto first = std::async(std::launch::async, [&] { mill.connect("a.test", "tnc640"); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("Connect", 5s));
    EXPECT_THAT([&] { lathe.connect("b.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Could not get SDK lock within 1 seconds for call Machine Connect to b.test other= (")));
    sim().faults().releaseDelayed();
    first.get();
    EXPECT_TRUE(mill.isConnected());
    lathe.connect("b.test", "tnc640");
    EXPECT_TRUE(lathe.isConnected());
}

TEST_F(ConnectTest, ConnectWhileAwaitingFinalDisconnectionIsRefused) {
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    SdkGuard::setSdkMutexTimeout(1);
    // A call stuck in the SDK makes the disconnect fail part-way.
    sim().faults().delay("GetState", 30s, 1);
    auto stuck = std::async(std::launch::async, [&] { return mill.getState(); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 5s));
    EXPECT_THAT([&] { mill.disconnect(); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Could not get SDK lock within 1 seconds for call AtlUnadvise(_machine, IID__IJHMachineEvents2) "
                    "other=_machine->GetState(&state) (")));
    const std::string refused = "Cannot connect to a.test again, still awaiting final disconnection";
    EXPECT_THAT([&] { mill.connect("a.test", "tnc640"); }, ThrowsMessage<std::runtime_error>(StrEq(refused)));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect", "mill " + refused));
    sim().faults().releaseDelayed();
    EXPECT_THAT([&] { stuck.get(); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Machine is not any longer connected after call: _machine->GetState(&state) (")));
}

}  // namespace
}  // namespace heidenhain
