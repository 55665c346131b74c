#include "tests/integration/agent_fixture.h"
#include "tests/support/loopback_port.h"

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
    // A fresh client: the point is the agent's reconnect, not the test client's.
    testsupport::MqttTestClient after("after");
    after.connect(broker.uri(), 15s);
    // Retained state went with the broker: the agent announces itself again.
    after.subscribe(agent->topic("__agentInfo__"));
    ASSERT_TRUE(after.waitFor([](const testsupport::ReceivedMessage& m) {
        return m.isJson() && m.json.value("status", "") == "online";
    }, 20s));
    after.subscribe(agent->topic("Probe/__classInfo__"));
    ASSERT_TRUE(after.waitForMessageOn(agent->topic("Probe/__classInfo__"), 10s));
    // Static and instance topics are subscribed again.
    EXPECT_EQ(after.call(instanceTopic(id, "name"), {{"data", json::object()}})["data"]["r"], "survivor");
    EXPECT_TRUE(after.call(staticTopic("__create__"), {{"data", {{"_1", "again"}}}})["data"]["r"].is_string());
}

TEST_F(AgentFixture, StopWithoutBrokerReportsTheUncleanDisconnect) {
    broker.stop();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    agent->stop();
    auto out = testing::internal::GetCapturedStdout();
    auto err = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("\nDisconnecting from the MQTT server... "), std::string::npos) << out;
    EXPECT_NE(err.find("\nERROR: Unable to cleanly disconnect from MQTT server: '" + broker.uri() + "'\n"),
              std::string::npos)
        << err;
}

// The MQTT library fails a connect that is still waiting for its answer when
// the client goes; that failure must find the agent's listener still alive.
TEST(AgentTeardown, DestroyedWhileTheFirstConnectAwaitsItsAnswer) {
    testsupport::SilentServer server;
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        testsupport::InProcessAgent agent("tcp://127.0.0.1:" + std::to_string(server.port()), "d", "silent");
        ASSERT_TRUE(server.acceptOne(10s)) << "the agent never tried to connect";
        agent.stop();
    }
    auto out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.find("[OK]"), std::string::npos) << out;
}
