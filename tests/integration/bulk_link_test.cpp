// The connection for large replies against a real broker: what it takes
// arrives in order, and what the broker never acknowledged comes back to
// the main connection's way, whole and in order, when its connection dies.
#include "agent/bulk_link.h"

#include <gtest/gtest.h>

#include <csignal>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;

namespace {

std::string payloadOf(int i) { return std::string(std::size_t{1} << 20, static_cast<char>('a' + i)); }

}  // namespace

TEST(BulkLink, DeliversInOrderAndHandsBackWhatTheBrokerNeverAcknowledged) {
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient receiver("bulk-receiver");
    receiver.connect(broker.uri());
    receiver.subscribe("bulk/#");
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> handedBack;
    nolt::BulkSettings settings;
    settings.clientId = "noltb-test";
    std::vector<std::string> sentTo;
    nolt::BulkLink link(settings, [&](const std::string& topic, std::string payload, const std::string& broker) {
        std::lock_guard<std::mutex> lock(mutex);
        handedBack.emplace_back(topic, std::move(payload));
        sentTo.push_back(broker);
    });
    link.follow(broker.uri());

    // The first publication only starts the connection and stays the caller's.
    std::string first = payloadOf(0);
    EXPECT_FALSE(link.publish("bulk/0", first));
    EXPECT_EQ(first, payloadOf(0));
    ASSERT_TRUE(testsupport::waitFor([&] { return link.up(); }, 5s));

    for (int i = 1; i <= 3; ++i) {
        std::string payload = payloadOf(i);
        ASSERT_TRUE(link.publish("bulk/" + std::to_string(i), payload));
    }
    EXPECT_TRUE(link.flush(5s));
    for (int i = 1; i <= 3; ++i) {
        const auto message = receiver.waitFor([](const testsupport::ReceivedMessage&) { return true; });
        ASSERT_TRUE(message);
        EXPECT_EQ(message->topic, "bulk/" + std::to_string(i));
        EXPECT_TRUE(message->payload == payloadOf(i)) << "payload " << i << " changed";
    }

    // A frozen broker acknowledges nothing; its death hands everything back.
    ASSERT_TRUE(broker.signal(SIGSTOP));
    for (int i = 4; i <= 6; ++i) {
        std::string payload = payloadOf(i);
        ASSERT_TRUE(link.publish("bulk/" + std::to_string(i), payload));
    }
    ASSERT_TRUE(broker.signal(SIGKILL));
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return handedBack.size() == 3;
        },
        5s));
    for (int i = 4; i <= 6; ++i) {
        EXPECT_EQ(handedBack[i - 4].first, "bulk/" + std::to_string(i));
        EXPECT_TRUE(handedBack[i - 4].second == payloadOf(i)) << "payload " << i << " changed";
    }
    // The first went whole into the frozen broker's socket: it may have passed it on.
    EXPECT_EQ(sentTo.front(), broker.uri());
    EXPECT_FALSE(link.up());

    // Back on the same port, the broker takes the link again.
    broker.restart();
    EXPECT_TRUE(testsupport::waitFor([&] { return link.up(); }, 10s));

    // The agent moved to another broker: so does the link, and publishes there.
    testsupport::MosquittoBroker other;
    testsupport::MqttTestClient otherReceiver("bulk-other");
    otherReceiver.connect(other.uri());
    otherReceiver.subscribe("bulk/#");
    link.follow(other.uri());
    ASSERT_TRUE(testsupport::waitFor([&] { return other.logCount("as noltb-test") > 0 && link.up(); }, 10s));
    std::string moved = payloadOf(7);
    ASSERT_TRUE(link.publish("bulk/7", moved));
    EXPECT_TRUE(link.flush(5s));
    EXPECT_TRUE(otherReceiver.waitForMessageOn("bulk/7"));
}
