// A plant spread over two agents, each on its own broker, the brokers bridged:
// one client on one broker finds both agents and works a machine of each.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::string bridgeTo(const testsupport::MosquittoBroker& east) {
    return "connection west-to-east\n"
           "address " + east.host() + ":" + std::to_string(east.port()) + "\n"
           "topic plant/# both 1\n"
           "topic nolt-test/# both 1\n"
           "cleansession true\n"
           "restart_timeout 1\n";
}

TEST(BridgedAgents, OneClientCallsAMachineOfEachAgent) {
    testsupport::MosquittoBroker east;
    testsupport::MosquittoBroker west(bridgeTo(east));
    testsupport::MqttTestClient client("bridged");
    client.connect(east.uri());
    client.subscribe("plant/+/__agentInfo__");
    client.subscribe("plant/+/DncShim/__classInfo__");
    {
        // The bridge is up once what is published on one side arrives on the other.
        testsupport::MqttTestClient westClient("west-side");
        westClient.connect(west.uri());
        westClient.subscribe("plant/ping");
        bool through = false;
        for (int attempt = 0; attempt < 100 && !through; ++attempt) {
            client.publish("plant/ping", json{{"n", attempt}});
            through = westClient.waitForMessageOn("plant/ping", 200ms).has_value();
        }
        ASSERT_TRUE(through) << west.log();
    }
    testsupport::AgentProcess eastAgent({"-d", "plant", "-a", "east", "-b", east.uri()});
    testsupport::AgentProcess westAgent({"-d", "plant", "-a", "west", "-b", west.uri()});

    // Discovery: both agents announce themselves on the client's broker.
    for (const std::string agent : {"east", "west"}) {
        auto online = client.waitFor(
            [&](const testsupport::ReceivedMessage& m) {
                return m.topic == "plant/" + agent + "/__agentInfo__" && m.isJson() && m.json["status"] == "online";
            },
            20s);
        ASSERT_TRUE(online) << agent << " not seen\n" << west.log();
        // Published once the agent has asked for its topics.
        ASSERT_TRUE(client.waitForMessageOn("plant/" + agent + "/DncShim/__classInfo__", 20s));
    }
    for (const std::string agent : {"east", "west"}) {
        SCOPED_TRACE(agent);
        const std::string shim = "plant/" + agent + "/DncShim/";
        const std::string id = client.call(shim + "__static__/__create__", {{"data", {{"_1", agent + "-mill"}}}})["data"]["r"];
        auto call = [&](const std::string& function, json data) {
            return client.call(shim + id + "/" + function, {{"data", data}}, 15s)["data"];
        };
        EXPECT_TRUE(call("connect", {{"_1", agent + ".sim"}, {"_2", "tnc640"}})["r"].is_null());
        EXPECT_EQ(call("getState", json::object())["r"], "machine_is_available");
        EXPECT_EQ(call("disconnect", json::object())["r"], nullptr);
    }
    for (auto* agent : {&eastAgent, &westAgent}) {
        agent->signal(SIGTERM);
        EXPECT_EQ(agent->waitForExit(15s), 0);
    }
}

}  // namespace
