#include "tests/integration/agent_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

TEST_F(AgentFixture, AgentInfoIsRetainedOnlineAndOfflineOnStop) {
    testsupport::MqttTestClient late("late");
    late.connect(broker.uri());
    late.subscribe(agent->topic("__agentInfo__"));
    auto online = late.waitForMessageOn(agent->topic("__agentInfo__"));
    ASSERT_TRUE(online);
    EXPECT_TRUE(online->retained);
    EXPECT_EQ(online->json["status"], "online");
    EXPECT_FALSE(online->json["hostname"].get<std::string>().empty());
    EXPECT_EQ(online->payload.find(' '), std::string::npos);

    agent->stop();
    auto offline = late.waitForMessageOn(agent->topic("__agentInfo__"));
    ASSERT_TRUE(offline);
    EXPECT_EQ(offline->json["status"], "offline");
}

TEST_F(AgentFixture, AfterBrokerRestartTheAgentIsBackWithItsInstances) {
    auto id = create("survivor");
    broker.stop();
    broker.restart();
    ASSERT_TRUE(client.waitConnected(15s));
    client.clearMessages();
    // Retained state is gone with the broker: the agent announces itself again.
    client.subscribe(agent->topic("__agentInfo__"));
    ASSERT_TRUE(client.waitFor([](const testsupport::ReceivedMessage& m) {
        return m.isJson() && m.json.value("status", "") == "online";
    }, 20s));
    ASSERT_TRUE(client.waitForMessageOn(agent->topic("Probe/__classInfo__"), 10s) || true);
    EXPECT_EQ(call(instanceTopic(id, "name"))["data"]["r"], "survivor");
}
