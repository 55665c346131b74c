// The broker ACL of docs/ keeps clients apart: one cannot read another's
// replies or announce another offline, while the agent serves both.
#include <gtest/gtest.h>

#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/integration/probe_class.h"

using nlohmann::json;
using namespace std::chrono_literals;

TEST(BrokerAcl, ClientsCannotReadOrRetireEachOther) {
    probe::registerProbe();
    testsupport::MosquittoBroker broker(std::string("acl_file ") + NOLT_BROKER_ACL + "\n");
    nolt::AgentOptions options;
    options.domain = "edge.orvane";
    options.agent = options.username = "heidenhain-cell1";
    options.broker = broker.uri();
    testsupport::InProcessAgent agent(options);
    testsupport::MqttTestClient alice("alice", true, true), bob("bob", true, true);
    alice.connect(broker.uri());
    bob.connect(broker.uri());
    alice.subscribe(agent.topic("__agentInfo__"));
    ASSERT_TRUE(alice.waitFor([](const auto& m) { return m.isJson() && m.json.value("status", "") == "online"; }, 10s));

    auto create = [&](testsupport::MqttTestClient& who, const std::string& name) {
        return who.call(agent.topic("Probe/__static__/__create__"), {{"data", {{"_1", name}}}})["data"]["r"];
    };
    const std::string id = create(alice, "alices");
    try {
        bob.subscribe(alice.replyTopic());
    } catch (const std::exception&) {
        // Refused outright by the broker: as good as never delivered.
    }
    // Bob's offline for Alice goes before his own call, on one connection.
    bob.publish(alice.clientInfoTopic(), {{"status", "offline"}});
    create(bob, "bobs");
    EXPECT_EQ(alice.call(agent.topic("Probe/" + id + "/name"), {{"data", json::object()}})["data"]["r"], "alices");
    EXPECT_TRUE(bob.expectNoMessageOn(alice.replyTopic(), 500ms));
}
