// The remote surface of DncShim through the registry, and the SDK version query.
#include "agent/topics.h"
#include "heidenhain/session/call_lanes.h"
#include "heidenhain/session/registration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "dnc/factory.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/sdk/sdk_version.h"
#include "tests/unit/heidenhain/registry_call.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using testing::ThrowsMessage;

using registry_test::call;

class RegistrationTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        registerDncShim();
        registerDncShim();  // a second call changes nothing
        nolt::setEventPublisher([this](const json& event) { events.push_back(event); });
    }
    void TearDown() override {
        nolt::LocalFactory::instance().clearInstances();
        nolt::setEventPublisher({});
        SessionTest::TearDown();
    }
    std::vector<json> events;
};

// Every registered function says whether it waits in the session's queue, so
// that a new one cannot be forgotten there.
TEST_F(RegistrationTest, EveryFunctionHasItsLaneAndOnlyRegisteredOnesDo) {
    std::set<std::string> registered;
    for (const auto& key : nolt::LocalFactory::instance().memberFunctionKeys("DncShim"))
        registered.insert(nolt::functionName(key));
    std::set<std::string> inTable;
    for (const auto& [name, lane] : callLanes()) inTable.insert(name);
    EXPECT_EQ(registered, inTable);
}

TEST_F(RegistrationTest, FunctionsOfTheConnectionLifecycle) {
    // The data rows add nine registrations under eight keys, the program
    // event rows five keys, the tool and pocket rows sixteen,
    // the table monitor rows four.
    EXPECT_EQ(nolt::LocalFactory::instance().memberFunctionKeys("DncShim").size(), 83u);
    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    EXPECT_EQ(call(id, "getAgentVersion"), "4.0.3");
    EXPECT_EQ(call(id, "getAvailableInterfaces")["machineInterface"], false);
    // Two texts reach the two-argument connect, three the other one.
    EXPECT_EQ(call(id, "connect", {{"_1", "a.test"}, {"_2", "itnc"}}), "Unknown controllerType=itnc");
    EXPECT_EQ(call(id, "connect", {{"_1", "a.test"}, {"_2", "itnc"}, {"_3", ""}}), "Unknown protocol=");
    EXPECT_EQ(call(id, "connect", {{"_1", "a.test"}, {"_2", "tnc640"}}), nullptr);
    for (const char* query : {"isConnected", "hasAutomaticInterface", "hasDataAccessInterface", "hasErrorInterface",
                              "hasFileSystemInterface", "hasProcessDataInterface", "hasMachineEvents",
                              "hasDataAccessEvents", "hasAutomaticEvents", "hasErrorEvents"})
        EXPECT_EQ(call(id, query), true) << query;
    EXPECT_EQ(call(id, "hasItncTableInterface"), false);
    EXPECT_EQ(call(id, "getState"), "machine_is_available");
    EXPECT_EQ(call(id, "getVersion"), dncsim::Simulator::kVersion);
    for (const char* event : {"onStateChanged", "onConnectLost", "onDisconnectDone"})
        EXPECT_EQ(call(id, event, {{"_1", "cb-1"}}), nullptr) << event;
    EXPECT_EQ(call(id, "setSdkMutexTimeout", {{"_1", 7}}), nullptr);
    EXPECT_EQ(call(id, "setSdkMutexTimeout", {{"_1", 0}}), "Value must be greater than zero");
    EXPECT_EQ(call(id, "getSdkMutexTimeout"), 7);
    EXPECT_EQ(call(id, "disconnect"), nullptr);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["id"], "cb-1");
    EXPECT_EQ(events[0]["data"], (json{{"_1", ""}})) << "onDisconnectDone with the empty text";
}

TEST(SdkVersion, ReadFromATemporaryMachine) {
    dnc::setMachineFactory(nullptr);
    EXPECT_THAT([] { sdkVersion(); },
                ThrowsMessage<std::runtime_error>(testing::StrEq(
                    "Heidenhain machine representation could not be instantiated. Is the Heidenhain SDK installed?")));
    dncsim::installSimulatedSdk();
    EXPECT_EQ(sdkVersion(), dncsim::Simulator::kVersion);
    dncsim::Simulator::instance().faults().failNext("CreateMachine", 1, dnc::kFail);
    EXPECT_THAT([] { sdkVersion(); },
                ThrowsMessage<std::runtime_error>(testing::AllOf(
                    testing::StartsWith(
                        "Call tmp_machine.CoCreateInstance(CLSID_JHMachineInProcess)) produced error 0x80004005, "),
                    testing::HasSubstr("sdk_version.cpp:"))));
}

}  // namespace
}  // namespace heidenhain
