// The remote surface of DncShim through the registry, and the SDK version query.
#include "agent/topics.h"
#include "heidenhain/session/registration.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "agent/messages.h"
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

// Every function that the class info announces reaches its part: called
// with arguments of its signature's types, each answers for itself, never
// that the function is unknown.
TEST_F(RegistrationTest, EveryAnnouncedFunctionReachesItsPart) {
    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    const auto info = nolt::classInfo(nolt::LocalFactory::instance(), "DncShim");
    ASSERT_FALSE(info["memberFunctions"].empty());
    const std::vector<std::pair<std::string, json>> kinds{
        {"string", ""}, {"number", 0}, {"boolean", false}, {"object", json::object()}, {"array", json::array()}};
    for (const auto& entry : info["memberFunctions"]) {
        const auto key = entry.get<std::string>();
        const auto name = nolt::functionName(key);
        std::string signature = key.size() > name.size() ? key.substr(name.size() + 1) : "";
        json arguments = json::object();
        while (!signature.empty()) {
            const auto kind = std::find_if(kinds.begin(), kinds.end(),
                                           [&](const auto& k) { return signature.rfind(k.first, 0) == 0; });
            ASSERT_NE(kind, kinds.end()) << key;
            arguments["_" + std::to_string(arguments.size() + 1)] = kind->second;
            signature.erase(0, kind->first.size());
        }
        const auto answer = call(id, name, arguments);
        EXPECT_FALSE(answer.is_string() && answer.get<std::string>().rfind("Could not find", 0) == 0)
            << key << ": " << answer;
    }
}

TEST_F(RegistrationTest, FunctionsOfTheConnectionLifecycle) {
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
