// The remote surface of DncShim through the registry.
#include "heidenhain/registration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "agent/local_factory.h"
#include "dnc/factory.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/sdk_version.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using nolt::LocalFactory;
using testing::StartsWith;
using testing::ThrowsMessage;

json dispatch(const std::string& context, const std::string& method, json data = json::object()) {
    json message = {{"sender", "c/1/r"}, {"id", 1}, {"context", context}, {"method", method}, {"data", data}};
    LocalFactory::instance().call(message);
    return message["data"];
}

class RegistrationTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        registerDncShim();
        registerDncShim();
    }
    void TearDown() override {
        LocalFactory::instance().clearInstances();
        SessionTest::TearDown();
    }
};

TEST_F(RegistrationTest, ClassAndTheFunctionsOfThisStage) {
    auto keys = LocalFactory::instance().memberFunctionKeys("DncShim");
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> expected{
        "connect-stringstringstring", "connect-stringstring", "disconnect", "isConnected", "getAgentVersion",
        "getVersion", "getState", "hasAutomaticEvents", "hasAutomaticInterface", "hasDataAccessEvents",
        "hasDataAccessInterface", "hasErrorEvents", "hasErrorInterface", "hasFileSystemInterface",
        "hasItncTableInterface", "hasMachineEvents", "hasProcessDataInterface", "getAvailableInterfaces",
        "onStateChanged-string", "onConnectLost-string", "onDisconnectDone-string", "setSdkMutexTimeout-number",
        "getSdkMutexTimeout"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(keys, expected);
    auto factories = LocalFactory::instance().staticFunctionKeys("DncShim");
    std::sort(factories.begin(), factories.end());
    EXPECT_EQ(factories, (std::vector<std::string>{"__createNamed__-stringstring", "__create__-string",
                                                   "__delete__-string", "__getNamed__-string"}));
}

TEST_F(RegistrationTest, RemoteCallsReachTheSession) {
    const std::string id = dispatch("DncShim", "__create__", {{"_1", "mill"}})["r"];
    EXPECT_EQ(dispatch(id, "getAgentVersion")["r"], "4.0.3");
    EXPECT_EQ(dispatch(id, "isConnected")["r"], false);
    EXPECT_EQ(dispatch(id, "getAvailableInterfaces")["r"]["machineInterface"], false);
    // Two texts reach the two-argument connect, three the other one.
    EXPECT_EQ(dispatch(id, "connect", {{"_1", "a.test"}, {"_2", "itnc"}})["e"], "Unknown controllerType=itnc");
    EXPECT_EQ(dispatch(id, "connect", {{"_1", "a.test"}, {"_2", "itnc"}, {"_3", ""}})["e"], "Unknown protocol=");
    auto connected = dispatch(id, "connect", {{"_1", "a.test"}, {"_2", "tnc640"}});
    EXPECT_TRUE(connected.contains("r") && connected["r"].is_null()) << connected.dump();
    EXPECT_EQ(dispatch(id, "getState")["r"], "machine_is_available");
    EXPECT_EQ(dispatch(id, "hasProcessDataInterface")["r"], true);
    EXPECT_EQ(dispatch(id, "onStateChanged", {{"_1", "cb-1"}})["r"], nullptr);

    auto set = dispatch(id, "setSdkMutexTimeout", {{"_1", 7}});
    EXPECT_TRUE(set.contains("r") && set["r"].is_null());
    EXPECT_EQ(dispatch(id, "getSdkMutexTimeout")["r"], 7);
    EXPECT_EQ(dispatch(id, "setSdkMutexTimeout", {{"_1", 0}})["e"], "Value must be greater than zero");
    EXPECT_EQ(dispatch(id, "getSdkMutexTimeout")["r"], 7);
    EXPECT_EQ(dispatch(id, "disconnect")["r"], nullptr);
}

TEST(SdkVersion, ReadFromATemporaryMachine) {
    dncsim::Simulator::instance().reset();
    dnc::setMachineFactory(nullptr);
    EXPECT_THAT([] { sdkVersion(); },
                ThrowsMessage<std::runtime_error>(testing::StrEq(
                    "Heidenhain machine representation could not be instantiated. Is the Heidenhain SDK installed?")));
    dncsim::installSimulatedSdk();
    EXPECT_EQ(sdkVersion(), dncsim::Simulator::kVersion);
    dncsim::Simulator::instance().faults().failNext("CreateMachine", 1, dnc::kFail);
    EXPECT_THAT([] { sdkVersion(); },
                ThrowsMessage<std::runtime_error>(testing::AllOf(
                    StartsWith("Call tmp_machine.CoCreateInstance(CLSID_JHMachineInProcess)) produced error 0x80004005, "),
                    testing::HasSubstr("sdk_version.cpp:"))));
}

}  // namespace
}  // namespace heidenhain
