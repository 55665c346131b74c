#include "tests/support/broker.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <future>

#include "tests/support/loopback_port.h"
#include "tests/support/mqtt_test_client.h"

using namespace testsupport;
using nlohmann::json;

TEST(MosquittoBroker, ListensOnAPrivateLoopbackPort) {
    MosquittoBroker first;
    MosquittoBroker second;
    EXPECT_NE(first.port(), second.port());
    EXPECT_EQ("tcp://127.0.0.1:" + std::to_string(first.port()), first.uri());
    EXPECT_TRUE(loopbackPortAccepts(first.port()));
    EXPECT_TRUE(loopbackPortAccepts(second.port()));
}

TEST(MosquittoBroker, StopsAndRestartsOnTheSamePort) {
    MosquittoBroker broker;
    const int port = broker.port();
    broker.stop();
    EXPECT_FALSE(broker.running());
    EXPECT_FALSE(loopbackPortAccepts(port));
    broker.restart();
    EXPECT_TRUE(broker.running());
    EXPECT_EQ(port, broker.port());
    EXPECT_TRUE(loopbackPortAccepts(port));
}

TEST(MqttTestClient, TwoClientsTalkThroughTheBroker) {
    MosquittoBroker broker;
    MqttTestClient listener("listener");
    MqttTestClient talker("talker");
    listener.connect(broker.uri());
    talker.connect(broker.uri());
    listener.subscribe("fixture/+/news");

    talker.publish("fixture/a/news", json{{"n", 1}});
    talker.publishText("fixture/b/news", "not json");

    auto first = listener.waitForMessageOn("fixture/a/news");
    ASSERT_TRUE(first);
    EXPECT_EQ(json({{"n", 1}}), first->json);
    EXPECT_EQ("{\"n\":1}", first->payload);
    EXPECT_FALSE(first->retained);
    EXPECT_EQ(1, first->qos);
    auto second = listener.waitForMessageOn("fixture/b/news");
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->isJson());
    EXPECT_EQ("not json", second->payload);
    EXPECT_NE(std::string::npos, broker.log().find("New client connected from 127.0.0.1:"));
    EXPECT_NE(std::string::npos, broker.log().find(listener.clientId()));
}

TEST(MqttTestClient, CallWaitsForTheReplyWithItsId) {
    MosquittoBroker broker;
    MqttTestClient caller("caller");
    MqttTestClient responder("responder");
    caller.connect(broker.uri());
    responder.connect(broker.uri());
    responder.subscribe("fixture/service");

    // The responder answers like the agent: the request itself, extended by
    // "r"; an unrelated message on the reply topic comes first.
    auto answered = std::async(std::launch::async, [&] {
        auto request = responder.waitForMessageOn("fixture/service");
        if (!request) return false;
        json reply = request->json;
        reply["data"]["r"] = reply["data"]["_1"].get<int>() + 1;
        responder.publish(reply["sender"], json{{"id", "someone else"}});
        responder.publish(reply["sender"], reply);
        return true;
    });
    json reply = caller.call("fixture/service", json{{"data", {{"_1", 41}}}, {"extra", "kept"}});
    EXPECT_TRUE(answered.get());

    EXPECT_EQ(42, reply["data"]["r"]);
    EXPECT_EQ(caller.replyTopic(), reply["sender"]);
    EXPECT_EQ("kept", reply["extra"]);
    EXPECT_TRUE(caller.waitForEvent("someone else", 0ms));
}

TEST(MqttTestClient, CallThrowsWhenNoReplyComes) {
    MosquittoBroker broker;
    MqttTestClient caller("caller");
    caller.connect(broker.uri());
    EXPECT_THROW(caller.call("fixture/nobody", json{{"data", json::object()}}, 100ms), std::runtime_error);
}

TEST(MqttTestClient, ReceivesRetainedMessagesFlaggedAsRetained) {
    MosquittoBroker broker;
    MqttTestClient publisher("publisher");
    publisher.connect(broker.uri());
    publisher.publish("fixture/status", json{{"status", "online"}}, true);

    MqttTestClient late("late");
    late.connect(broker.uri());
    late.subscribe("fixture/status");
    auto status = late.waitForMessageOn("fixture/status");
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->retained);
    EXPECT_EQ("online", status->json["status"]);

    publisher.publishText("fixture/status", "", true);  // clears it
    MqttTestClient later("later");
    later.connect(broker.uri());
    later.subscribe("fixture/status");
    EXPECT_TRUE(later.expectNoMessageOn("fixture/status", 200ms));
}

TEST(MqttTestClient, ReconnectsAndResubscribesWhenTheBrokerComesBack) {
    MosquittoBroker broker;
    MqttTestClient listener("listener");
    MqttTestClient talker("talker");
    listener.connect(broker.uri());
    talker.connect(broker.uri());
    listener.subscribe("fixture/after");
    EXPECT_EQ(1, listener.connectionCount());

    broker.restart();
    EXPECT_TRUE(waitFor([&] { return !listener.isConnected(); }, 5s));
    ASSERT_TRUE(listener.waitConnected(10s));
    ASSERT_TRUE(talker.waitConnected(10s));
    EXPECT_EQ(2, listener.connectionCount());

    talker.publish("fixture/after", json{{"again", true}});
    EXPECT_TRUE(listener.waitForMessageOn("fixture/after"));
    talker.publish(listener.replyTopic(), json{{"id", "cb"}});
    EXPECT_TRUE(listener.waitForEvent("cb"));
}

namespace {

// Sockets of this process connected to the loopback port, and how many of
// them have TCP_NODELAY.
std::pair<int, int> socketsToPort(int port) {
    int sockets = 0;
    int noDelay = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) continue;
        if (peer.sin_family != AF_INET || ntohs(peer.sin_port) != port) continue;
        ++sockets;
        int value = 0;
        length = sizeof value;
        ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, &length);
        if (value) ++noDelay;
    }
    return {sockets, noDelay};
}

}  // namespace

TEST(MqttTestClient, TurnsOnTcpNoDelayOnEachConnect) {
    MosquittoBroker broker;
    MqttTestClient client("client");
    client.connect(broker.uri());
    EXPECT_EQ(std::make_pair(1, 1), socketsToPort(broker.port()));

    broker.restart();
    ASSERT_TRUE(client.waitConnected(10s));
    EXPECT_EQ(2, client.connectionCount());
    EXPECT_EQ(std::make_pair(1, 1), socketsToPort(broker.port()));
}
