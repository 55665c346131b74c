// Replies and events reach their client through bursts and broker restarts;
// the agent is back after a restart within one retry interval.
#include <gtest/gtest.h>

#include <set>

#include "tests/integration/probe_class.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// The broker keeps sessions across restarts, so a client with a persistent
// session misses nothing the agent delivers while the client reconnects.
class DeliveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        probe::registerProbe();
        probe::openHold(false);
        agent = std::make_unique<testsupport::InProcessAgent>(broker.uri(), "test", "delivery");
        client.connect(broker.uri());
        client.subscribe(agent->topic("__agentInfo__"));
        ASSERT_TRUE(client.waitFor(isOnline, 10s));
        id = client.call(agent->topic("Probe/__static__/__create__"), {{"data", {{"_1", "d"}}}})["data"]["r"];
    }
    void TearDown() override { probe::openHold(); }

    static bool isOnline(const testsupport::ReceivedMessage& m) {
        return m.isJson() && m.json.value("status", "") == "online";
    }
    std::string member(const std::string& function) const { return agent->topic("Probe/" + id + "/" + function); }
    // Publishes hold without waiting for its reply; returns once it runs.
    void startHold() {
        client.publish(member("hold"), {{"sender", client.replyTopic()}, {"id", "held"}, {"data", json::object()}});
        ASSERT_TRUE(testsupport::waitFor([] { return probe::holdsEntered() == 1; }, 10s));
    }

    testsupport::MosquittoBroker broker{"persistence true\npersistence_location {dir}\n"};
    std::unique_ptr<testsupport::InProcessAgent> agent;
    testsupport::MqttTestClient client{"keeper", false};
    std::string id;
};

TEST_F(DeliveryTest, BurstOfRequestsGetsEveryReply) {
    constexpr int kRequests = 10000;
    startHold();  // the requests pile up behind it and are answered at once
    for (int i = 0; i < kRequests; ++i) {
        client.publish(member("echo"), {{"sender", client.replyTopic()}, {"id", i}, {"data", {{"_1", "x"}}}});
    }
    probe::openHold();
    std::set<int> answered;
    for (int i = 0; i <= kRequests; ++i) {
        auto reply = client.waitForMessageOn(client.replyTopic(), 30s);
        ASSERT_TRUE(reply) << answered.size() << " replies";
        if (reply->json["id"].is_number()) answered.insert(reply->json["id"].get<int>());
    }
    EXPECT_EQ(answered.size(), std::size_t{kRequests});
}

// The event and the reply of a call that ends while the broker is down
// arrive after the restart, in the order they were made.
TEST_F(DeliveryTest, CallEndingWhileTheBrokerIsDownIsAnsweredAfterTheRestart) {
    client.call(member("onText"), {{"data", {{"_1", "cb"}}}});
    startHold();
    broker.stop();
    probe::openHold();
    broker.restart();
    auto first = client.waitForMessageOn(client.replyTopic(), 20s);
    auto second = client.waitForMessageOn(client.replyTopic(), 10s);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->json["id"], "cb");
    EXPECT_EQ(first->json["data"], json({{"_1", "held"}}));
    EXPECT_EQ(second->json["id"], "held");
    EXPECT_EQ(second->json["data"]["r"], true);
}

// One reconnect mechanism: a broker back before the first retry sees the
// agent back at that retry, with no failed attempt on the way.
TEST_F(DeliveryTest, ShortOutageCostsNoFailedAttempt) {
    auto agentConnects = [&] { return broker.logCount(" as nolta"); };
    const auto before = agentConnects();
    testing::internal::CaptureStderr();
    const auto lost = std::chrono::steady_clock::now();
    broker.restart();
    const bool quick = std::chrono::steady_clock::now() - lost < 2s;
    const bool back = testsupport::waitFor([&] { return agentConnects() > before; }, 20s);
    auto err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(back) << broker.log();
    if (!quick) GTEST_SKIP() << "the broker took longer than the retry pause to restart";
    EXPECT_EQ(err.find("Connection failed"), std::string::npos) << err;
    ASSERT_TRUE(client.waitConnected(10s));
    EXPECT_EQ(client.call(member("name"), {{"data", json::object()}})["data"]["r"], "d");
}

}  // namespace
