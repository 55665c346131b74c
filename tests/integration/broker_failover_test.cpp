// The agent given two brokers (-b A,B): it works on A, and when A goes it
// moves to B, announces itself there and answers; a client on B finds it
// and its machines. Once with two separate Mosquittos, once with the two
// nodes of a RabbitMQ cluster, where the client sits on B from the start and
// its calls cross the cluster.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/rabbitmq.h"
#include "tests/support/wait_for.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

const std::string kInfo = "cnc/agent/__agentInfo__";

struct Pair {
    std::string uriA, uriB;
    std::function<void()> stopA;
};

bool isOnline(const testsupport::ReceivedMessage& message) {
    return message.topic == kInfo && message.isJson() && message.json.value("status", "") == "online";
}

std::string clientListing(const std::string& broker, const std::vector<std::string>& command) {
    std::vector<std::string> arguments{"-b", broker};
    arguments.insert(arguments.end(), command.begin(), command.end());
    testsupport::AgentProcess process(arguments, NOLT_CLIENT_EXECUTABLE);
    EXPECT_EQ(process.waitForExit(30s), 0) << process.standardError();
    return process.standardOutput();
}

// `before` reaches the agent while it is on A (a client on A, or on B when
// the two are one cluster); `onB` is connected to B.
void failOver(const Pair& brokers, testsupport::MqttTestClient& before, testsupport::MqttTestClient& onB) {
    before.subscribe(kInfo);
    onB.subscribe(kInfo);
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", brokers.uriA + "," + brokers.uriB});
    ASSERT_TRUE(before.waitFor(isOnline, 60s)) << agent.standardOutput();
    EXPECT_TRUE(agent.waitForOutput("Connected to the broker " + brokers.uriA, 10s)) << agent.standardOutput();
    const auto call = [&](testsupport::MqttTestClient& client, const std::string& path, json data = json::object()) {
        return client.call("cnc/agent/" + path, {{"data", std::move(data)}}, 15s)["data"];
    };
    const std::string simulator = call(before, "DncSimulator/__static__/__create__")["r"];
    call(before, "DncShim/__static__/__createNamed__", {{"_1", "mill1"}, {"_2", "mill1"}});
    call(before, "DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}});
    EXPECT_EQ(call(before, "DncShim/mill1/getState")["r"], "machine_is_available");

    // A call held in the control while A goes: answered once, or not at all.
    call(before, "DncSimulator/" + simulator + "/delay",
         {{"_1", "GetState"}, {"_2", 1500}, {"_3", 1}, {"_4", "mill1.local"}});
    before.clearMessages();
    before.publish("cnc/agent/DncShim/mill1/getState",
                   {{"sender", before.replyTopic()}, {"id", "held"}, {"data", json::object()}});
    onB.clearMessages();
    const auto switchedAt = std::chrono::steady_clock::now();
    brokers.stopA();
    ASSERT_TRUE(onB.waitFor(isOnline, 30s)) << agent.standardOutput();
    EXPECT_EQ(call(onB, "DncShim/mill1/isConnected")["r"], true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - switchedAt).count();
    std::cout << "back online on B and answering " << seconds << " s after A was stopped\n";
    EXPECT_TRUE(agent.waitForOutput("Switched to the broker " + brokers.uriB + " (was " + brokers.uriA + ")", 10s))
        << agent.standardOutput();

    // The client is given the list too, and finds A gone.
    const auto machines = clientListing(brokers.uriA + "," + brokers.uriB, {"machines", "cnc/agent"});
    EXPECT_NE(machines.find("mill1"), std::string::npos) << machines;
    const auto agents = clientListing(brokers.uriA + "," + brokers.uriB, {"agents"});
    EXPECT_NE(agents.find("cnc/agent"), std::string::npos) << agents;
    std::map<std::string, int> replies;
    for (const auto& message : before.messages()) {
        if (message.topic == before.replyTopic() && message.isJson()) ++replies[message.json.value("id", "")];
    }
    EXPECT_LE(replies["held"], 1) << "a call is never answered twice";
    agent.signal(SIGTERM);
    EXPECT_EQ(agent.waitForExit(15s), 0);
}

TEST(BrokerFailover, TwoMosquittos) {
    testsupport::MosquittoBroker a, b;
    testsupport::MqttTestClient onA("failover-a"), onB("failover-b");
    onA.connect(a.uri());
    onB.connect(b.uri());
    failOver({a.uri(), b.uri(), [&] { a.stop(); }}, onA, onB);
}

TEST(BrokerFailover, TwoNodesOfARabbitMqCluster) {
    if (!testsupport::rabbitMqAvailable()) GTEST_SKIP() << "no RabbitMQ server on this machine";
    // The Linux agent covers the cluster; under Wine the Mosquitto pair
    // checks the Windows agent's failover, and CI stays short.
    if (testsupport::agentRunsUnderWine()) GTEST_SKIP() << "the cluster runs against the Linux agent";
    testsupport::RabbitMqNode a, b;
    b.joinCluster(a);
    testsupport::MqttTestClient onB("failover");
    onB.connect(b.uri());
    failOver({a.uri(), b.uri(), [&] { a.stop(); }}, onB, onB);
}

}  // namespace
