// What the outbox does with replies that a broker was given and did not
// acknowledge: sent again to that broker, never to another one, which a
// cluster's other node may already have passed them on through.
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <mqtt/async_client.h>

#include "agent/outbox.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;

TEST(Outbox, SendsAgainOnlyToTheBrokerThatWasGivenIt) {
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient receiver("outbox-receiver");
    receiver.connect(broker.uri());
    receiver.subscribe("outbox/#");
    auto client = std::make_shared<mqtt::async_client>(broker.uri(), "outbox-test",
                                                       static_cast<mqtt::iclient_persistence*>(nullptr));
    auto options = mqtt::connect_options_builder().clean_session(true).finalize();
    ASSERT_TRUE(client->connect(options)->wait_for(5s));
    const std::string other = "tcp://other.node:1883";
    nolt::Outbox outbox(client);

    // Kept while the link is down, then decided by the broker it comes back on.
    outbox.handBack("outbox/elsewhere", "1", other);
    outbox.handBack("outbox/here", "2", broker.uri());
    outbox.publish("outbox/fresh", "3", false);
    EXPECT_EQ(outbox.queued(), 3u);
    outbox.linkUp(broker.uri());
    EXPECT_TRUE(outbox.flush(5s));
    for (const char* topic : {"outbox/here", "outbox/fresh"}) EXPECT_TRUE(receiver.waitForMessageOn(topic)) << topic;

    // While up on this broker, one given to another is dropped at once.
    outbox.handBack("outbox/elsewhere", "4", other);
    EXPECT_EQ(outbox.queued(), 0u);
    EXPECT_TRUE(receiver.expectNoMessageOn("outbox/elsewhere", 200ms));
    outbox.shutdown();
    client->disconnect()->wait_for(5s);
}
