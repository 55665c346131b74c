// CNC sessions through the built executable and a private broker, against
// the simulated controller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/integration/executable_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class CncSession : public ExecutableFixture {
protected:
    CncSession() : ExecutableFixture("cnc-client") {}
    void SetUp() override {
        ExecutableFixture::SetUp();
        if (HasFatalFailure()) return;
        simulator = client.call("cnc/agent/DncSimulator/__static__/__create__", {{"data", json::object()}})["data"]["r"];
    }

    std::string createSession(const std::string& name) {
        return client.call("cnc/agent/DncShim/__static__/__create__", {{"data", {{"_1", name}}}})["data"]["r"];
    }
    json call(const std::string& id, const std::string& function, json data = json::object()) {
        return client.call("cnc/agent/DncShim/" + id + "/" + function, {{"data", data}}, 15s)["data"];
    }
    json simulate(const std::string& function, json data) {
        return client.call("cnc/agent/DncSimulator/" + simulator + "/" + function, {{"data", data}})["data"];
    }

    std::string simulator;
};

const json kNoInterfaces = {{"automaticEvents", false},   {"automaticInterface", false}, {"dataAccessEvents", false},
                            {"dataAccessInterface", false}, {"errorEvents", false},      {"errorInterface", false},
                            {"fileSystemInterface", false}, {"itncTableInterface", false}, {"machineEvents", false},
                            {"machineInterface", false}};

TEST_F(CncSession, ConnectQueryAndDisconnectBothControllerFamilies) {
    auto tnc = createSession("tnc");
    auto itnc = createSession("itnc");
    EXPECT_EQ(call(tnc, "getAgentVersion")["r"], "4.0.3");
    EXPECT_EQ(call(tnc, "getAvailableInterfaces")["r"], kNoInterfaces);
    EXPECT_EQ(call(tnc, "isConnected")["r"], false);

    ASSERT_TRUE(call(tnc, "connect", {{"_1", "tnc.sim"}, {"_2", "tnc640"}})["r"].is_null());
    ASSERT_TRUE(call(itnc, "connect", {{"_1", "itnc.sim"}, {"_2", "itnc530"}, {"_3", "tcpip"}})["r"].is_null());
    EXPECT_EQ(call(tnc, "isConnected")["r"], true);
    EXPECT_EQ(call(tnc, "getState")["r"], "machine_is_available");
    EXPECT_EQ(call(itnc, "getState")["r"], "machine_is_available");
    EXPECT_FALSE(call(tnc, "getVersion")["r"].get<std::string>().empty());

    auto tncInterfaces = call(tnc, "getAvailableInterfaces")["r"];
    EXPECT_EQ(tncInterfaces["machineEvents"], true);
    EXPECT_EQ(tncInterfaces["dataAccessInterface"], true);
    EXPECT_EQ(tncInterfaces["itncTableInterface"], false) << "newer controls use the data tree";
    EXPECT_EQ(call(itnc, "getAvailableInterfaces")["r"]["itncTableInterface"], true);
    EXPECT_EQ(call(itnc, "hasItncTableInterface")["r"], true);

    call(tnc, "onDisconnectDone", {{"_1", "done"}});
    ASSERT_TRUE(call(tnc, "disconnect")["r"].is_null());
    auto done = client.waitForEvent("done");
    ASSERT_TRUE(done);
    EXPECT_EQ((*done)["data"], (json{{"_1", ""}}));
    // The call site (file:line) ends the text, with no closing parenthesis.
    EXPECT_THAT(call(tnc, "getState")["e"].get<std::string>(),
                testing::MatchesRegex("Unexpected online call while disconnected: _machine->GetState\\(&state\\) "
                                      "\\(.*session_context\\.cpp:[0-9]+"));
    EXPECT_EQ(call(tnc, "getAvailableInterfaces")["r"], kNoInterfaces);
    EXPECT_EQ(call(itnc, "getState")["r"], "machine_is_available") << "the other session is untouched";
}

TEST_F(CncSession, StateEventsAndTheLostLink) {
    auto id = createSession("mill");
    call(id, "onStateChanged", {{"_1", "state"}});
    call(id, "onConnectLost", {{"_1", "lost"}});
    ASSERT_TRUE(call(id, "connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());

    EXPECT_EQ(simulate("raiseMachineEvent", {{"_1", "mill.sim"}, {"_2", 6}})["r"], true);
    auto available = client.waitForEvent("state");
    ASSERT_TRUE(available);
    EXPECT_EQ((*available)["data"], (json{{"_1", "machine_available"}}));
    EXPECT_EQ((*available)["context"], id);
    EXPECT_EQ((*available)["method"], "onStateChanged");
    EXPECT_EQ(call(id, "isConnected")["r"], true);

    simulate("loseLink", {{"_1", "mill.sim"}});
    auto lost = client.waitForEvent("lost");
    ASSERT_TRUE(lost);
    EXPECT_EQ((*lost)["data"], (json{{"_1", ""}}));
    auto state = client.waitForEvent("state");
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["data"], (json{{"_1", "connection_lost"}}));
    EXPECT_EQ(call(id, "isConnected")["r"], false);
    EXPECT_EQ(call(id, "getAgentVersion")["r"], "4.0.3") << "in every state";

    // Shutdown while lost: onStateChanged again, onConnectLost not again.
    simulate("raiseMachineEvent", {{"_1", "mill.sim"}, {"_2", 7}});
    ASSERT_TRUE(client.waitForEvent("state"));
    EXPECT_FALSE(client.waitForEvent("lost", 300ms));

    simulate("restoreLink", {{"_1", "mill.sim"}});
    ASSERT_TRUE(call(id, "disconnect")["r"].is_null());
    ASSERT_TRUE(call(id, "connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());
    EXPECT_EQ(call(id, "getState")["r"], "machine_is_available");
}

TEST_F(CncSession, ExactErrorReplies) {
    auto id = createSession("bad");
    EXPECT_EQ(call(id, "connect", {{"_1", "h.sim"}, {"_2", "itnc"}})["e"], "Unknown controllerType=itnc");
    EXPECT_EQ(call(id, "connect", {{"_1", "h.sim"}, {"_2", "itnc"}, {"_3", ""}})["e"], "Unknown protocol=");
    EXPECT_EQ(call(id, "connect", {{"_1", "h.sim"}, {"_2", "millplus"}, {"_3", "tcpip"}})["e"], "Unknown cncType=millplus");
    EXPECT_EQ(call(id, "connect", {{"_1", "h.sim"}, {"_2", "tnc640"}, {"_3", "lsv2"}})["e"],
              "For the given controllerType=tnc640 the specified protocol=lsv2 (=1) is not allowed whereas to our "
              "knowledge it requires protocol=5");
    EXPECT_EQ(call(id, "connect", {{"_1", "h.sim"}, {"_2", "tnc640"}, {"_3", "serial"}})["e"],
              "For the given controllerType=tnc640 the specified protocol=serial (=0) is not allowed whereas to our "
              "knowledge it requires protocol=5");
    EXPECT_EQ(call(id, "connect", {{"_1", "down.invalid"}, {"_2", "tnc640"}})["e"],
              "CNC connection to down.invalid failed because: The CNC IP address down.invalid could not be contacted. "
              "Maybe the machine is not online.\n\n");
    simulate("stayBooting", {{"_1", "boot.sim"}, {"_2", true}});
    EXPECT_EQ(call(id, "connect", {{"_1", "boot.sim"}, {"_2", "tnc640"}})["e"],
              "CNC connection to boot.sim failed because: Machine not yet sufficently booted up (state "
              "dnc_is_available(4)); need to try again later\n");
    EXPECT_EQ(call(id, "connect", {{"_1", 5}, {"_2", "tnc640"}})["e"], "Could not find function: connect-numberstring");
    EXPECT_EQ(call(id, "setSdkMutexTimeout", {{"_1", 0}})["e"], "Value must be greater than zero");
    EXPECT_EQ(call(id, "setSdkMutexTimeout", {{"_1", -3}})["e"], "Value must be greater than zero");
    EXPECT_EQ(call(id, "getSdkMutexTimeout")["r"], 5);
    // The time-out is the process's: set on one session, seen by another.
    auto other = createSession("other");
    EXPECT_TRUE(call(id, "setSdkMutexTimeout", {{"_1", 7}})["r"].is_null());
    EXPECT_EQ(call(other, "getSdkMutexTimeout")["r"], 7);
    call(id, "setSdkMutexTimeout", {{"_1", 5}});
    EXPECT_EQ(call(id, "isConnected")["r"], false);
}

}  // namespace
