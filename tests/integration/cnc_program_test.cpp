// A program selected and started over MQTT through the built executable,
// against the simulated control.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// A reply without result and without error.
bool done(const json& reply) { return reply.contains("r") && reply.at("r").is_null() && !reply.contains("e"); }

TEST(CncProgram, SelectStartAndReadStatusAndMachineState) {
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient client{"program-client"};
    client.connect(broker.uri());
    client.subscribe("cnc/agent/DncShim/__classInfo__");
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", broker.uri()});
    ASSERT_TRUE(client.waitForMessageOn("cnc/agent/DncShim/__classInfo__", 10s)) << agent.standardOutput();

    const std::string id =
        client.call("cnc/agent/DncShim/__static__/__create__", {{"data", {{"_1", "mill"}}}})["data"]["r"];
    auto call = [&](const std::string& function, json data = json::object()) {
        return client.call("cnc/agent/DncShim/" + id + "/" + function, {{"data", data}}, 15s)["data"];
    };
    EXPECT_EQ(call("getMachineState")["r"],
              (json{{"machineRunningTime", 0}, {"machineUpTime", 0}, {"ncUpTime", 0}, {"state", "off"}}));
    ASSERT_TRUE(call("connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());
    EXPECT_EQ(call("getProgramStatus")["r"], "not_selected");
    EXPECT_EQ(call("getMachineState")["r"]["state"], "idle");

    EXPECT_TRUE(done(call("selectProgram", {{"_1", 0}, {"_2", "TNC:\\nc_prog\\demo.h"}, {"_3", "__null__"}})));
    EXPECT_TRUE(done(call("startProgram", {{"_1", ""}})));
    EXPECT_EQ(call("getProgramStatus")["r"], "running");
    const json state = call("getMachineState")["r"];
    EXPECT_EQ(state["state"], "running");
    EXPECT_TRUE(state["machineUpTime"].is_number_unsigned());
    EXPECT_GE(state["machineUpTime"].get<std::uint64_t>(), 1520u * 3600) << "the demo machine's hours";
    EXPECT_THAT(call("selectProgram", {{"_1", 0}, {"_2", "TNC:\\nc_prog\\drill.h"}, {"_3", ""}})["e"].get<std::string>(),
                testing::StartsWith("Call _automatic->SelectProgram(channel, toBSTR(programName), "
                                    "toVariant(startBlockNumber)) produced error (0x80040267): Command cannot be "
                                    "executed in this mode of the CNC (isConnected:1, "))
        << "another program while one runs";
    EXPECT_TRUE(done(call("stopProgram", {{"_1", 0}, {"_2", true}})));
    EXPECT_EQ(call("getProgramStatus")["r"], "stopped");
    EXPECT_TRUE(done(call("disconnect")));

    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(15s), 0);
}

}  // namespace
