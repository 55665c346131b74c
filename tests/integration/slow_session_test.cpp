// One session stuck in the controller, with many more calls for it waiting,
// holds up no call to another session: the agent in this process, so that the
// test knows when the stuck call is inside the simulated SDK.
#include <gtest/gtest.h>

#include "agent/event_loop.h"
#include "agent/local_factory.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "heidenhain/session/registration.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// More than the worker pool may ever hold: waiting calls must hold none.
constexpr int kWaitingCalls = 300;

int replyId(const testsupport::ReceivedMessage& m) {
    return m.isJson() && m.json.contains("id") && m.json["id"].is_number_integer() ? m.json["id"].get<int>() : -1;
}

class SlowSession : public ::testing::Test {
protected:
    void SetUp() override {
        dncsim::installSimulatedSdk();
        heidenhain::registerDncShim();
        agent = std::make_unique<testsupport::InProcessAgent>(broker.uri(), "slow", "agent");
        client.connect(broker.uri());
        client.subscribe(agent->topic("DncShim/__classInfo__"));
        ASSERT_TRUE(client.waitForMessageOn(agent->topic("DncShim/__classInfo__"), 10s));
    }
    void TearDown() override {
        sim().faults().clear();
        agent->stop();
        nolt::LocalFactory::instance().clearInstances();
        sim().reset();
    }
    static dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

    std::string connected(const std::string& host) {
        const std::string id = client.call(agent->topic("DncShim/__static__/__create__"), {{"data", {{"_1", host}}}})["data"]["r"];
        EXPECT_TRUE(client.call(topic(id, "connect"), {{"data", {{"_1", host}, {"_2", "tnc640"}}}})["data"]["r"].is_null());
        return id;
    }
    std::string topic(const std::string& id, const std::string& function) const {
        return agent->topic("DncShim/" + id + "/" + function);
    }
    std::string request(int id) const {
        return json{{"sender", client.replyTopic()}, {"id", id}, {"data", json::object()}}.dump();
    }

    testsupport::MosquittoBroker broker;
    std::unique_ptr<testsupport::InProcessAgent> agent;
    testsupport::MqttTestClient client{"slow-session"};
};

TEST_F(SlowSession, AnotherSessionIsAnsweredWhileOneIsStuckWithItsCallsWaiting) {
    const std::string stuck = connected("stuck.sim");
    const std::string free = connected("free.sim");
    const std::size_t workersBefore = nolt::EventLoop::instance().addedThreads();
    sim().faults().delay("GetState", 60s, 1, "stuck.sim");
    client.publishText(topic(stuck, "getState"), request(1000));
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 10s)) << "the first call is inside the SDK";
    for (int i = 1; i <= kWaitingCalls; ++i) client.publishText(topic(stuck, "getState"), request(1000 + i));

    EXPECT_EQ(client.call(topic(free, "getState"), {{"data", json::object()}})["data"]["r"], "machine_is_available");
    // Workers left idle by earlier tests may still be there; the flood adds none to speak of.
    EXPECT_LT(nolt::EventLoop::instance().addedThreads(), workersBefore + 16);
    EXPECT_EQ(client.call(agent->topic("DncShim/__static__/__create__"), {{"data", {{"_1", "new"}}}})["data"].count("r"), 1u);
    // All of it while the stuck call is held. (The waiting calls may meet
    // their lock time-out meanwhile on a loaded machine: they are not held.)
    for (const auto& message : client.messages()) EXPECT_NE(replyId(message), 1000) << message.payload;

    // The waiting calls keep their meaning: each waits for the SDK lock and
    // gives up after the lock time-out, naming the call that holds it.
    for (int i = 1; i <= kWaitingCalls; ++i) {
        auto reply = client.waitFor([&](const testsupport::ReceivedMessage& m) { return replyId(m) == 1000 + i; }, 20s);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->json["data"]["e"].get<std::string>().rfind(
                      "Could not get SDK lock within 5 seconds for call _machine->GetState(&state) other=_machine->GetState(&state) (", 0),
                  0u)
            << reply->payload;
    }
    sim().faults().releaseDelayed();
    auto first = client.waitFor([](const testsupport::ReceivedMessage& m) { return replyId(m) == 1000; });
    ASSERT_TRUE(first);
    EXPECT_EQ(first->json["data"]["r"], "machine_is_available");
}

// What needs no SDK call answers while the session's SDK call is held, even
// with a lock wait long beyond the client's patience; the SDK calls behind
// the held one still wait their turn.
TEST_F(SlowSession, QuickCallsAnswerWhileAnSdkCallIsHeld) {
    const std::string held = connected("held.sim");
    ASSERT_TRUE(client.call(topic(held, "setSdkMutexTimeout"), {{"data", {{"_1", 120}}}})["data"]["r"].is_null());
    struct Restore {
        ~Restore() { heidenhain::SdkGuard::setSdkMutexTimeout(5); }
    } restore;
    sim().faults().delay("GetState", 60s, 1, "held.sim");
    client.publishText(topic(held, "getState"), request(1));
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 10s));
    client.publishText(topic(held, "getNcUpTime"), request(2));

    EXPECT_EQ(client.call(topic(held, "isConnected"), {{"data", json::object()}})["data"]["r"], true);
    EXPECT_EQ(client.call(topic(held, "hasMachineEvents"), {{"data", json::object()}})["data"]["r"], true);
    EXPECT_EQ(client.call(topic(held, "getAgentVersion"), {{"data", json::object()}})["data"]["r"], "4.0.3");
    EXPECT_TRUE(client.call(topic(held, "onStateChanged"), {{"data", {{"_1", "state"}}}})["data"]["r"].is_null());
    for (const auto& message : client.messages())
        EXPECT_NE(replyId(message), 2) << "the queued call answered before the held one ended: " << message.payload;

    sim().faults().releaseDelayed();
    for (int id : {1, 2}) {
        auto reply = client.waitFor([id](const testsupport::ReceivedMessage& m) { return replyId(m) == id; }, 10s);
        ASSERT_TRUE(reply) << id;
        EXPECT_FALSE(reply->json["data"].contains("e")) << reply->payload;
    }
}

// A state read while the session's first connect is still inside the SDK
// waits for it and reads the machine that connect made.
TEST_F(SlowSession, AStateReadDuringTheFirstConnectWaitsForIt) {
    const std::string id =
        client.call(agent->topic("DncShim/__static__/__create__"), {{"data", {{"_1", "late"}}}})["data"]["r"];
    sim().faults().delay("Connect", 60s, 1, "late.sim");
    client.publishText(
        topic(id, "connect"),
        json{{"sender", client.replyTopic()}, {"id", 1}, {"data", {{"_1", "late.sim"}, {"_2", "tnc640"}}}}.dump());
    ASSERT_TRUE(sim().faults().awaitDelayedCall("Connect", 10s));
    client.publishText(topic(id, "getState"), request(2));
    sim().faults().releaseDelayed();
    auto connected = client.waitFor([](const testsupport::ReceivedMessage& m) { return replyId(m) == 1; }, 10s);
    auto state = client.waitFor([](const testsupport::ReceivedMessage& m) { return replyId(m) == 2; }, 10s);
    ASSERT_TRUE(connected && state);
    EXPECT_TRUE(connected->json["data"]["r"].is_null()) << connected->payload;
    EXPECT_EQ(state->json["data"]["r"], "machine_is_available") << state->payload;
}

}  // namespace
