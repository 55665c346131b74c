#include <gtest/gtest.h>

#include <stdexcept>

#include "agent/broker_uris.h"
#include "agent/tls_build.h"

using nolt::brokerUris;

TEST(BrokerUris, OneUriAsGivenAListSplitInOrder) {
    const struct {
        std::string option;
        std::vector<std::string> uris;
        bool tls;
    } cases[] = {
        // A single URI is the library's to judge, as before lists existed.
        {"tcp://a:1883", {"tcp://a:1883"}, false},
        {"no scheme", {"no scheme"}, false},
        {"ssl://a:8883", {"ssl://a:8883"}, true},
        {"tcp://a:1883,tcp://b:1883", {"tcp://a:1883", "tcp://b:1883"}, false},
        {" tcp://a:1883 , ws://b:80/mqtt ", {"tcp://a:1883", "ws://b:80/mqtt"}, false},
        {"tcp://a:1883, mqtts://b:8883", {"tcp://a:1883", "mqtts://b:8883"}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(brokerUris(c.option), c.uris) << c.option;
        EXPECT_EQ(nolt::usesTls(c.option), c.tls) << c.option;
    }
    for (const char* bad : {"tcp://a:1883,", "tcp://a:1883,,tcp://b:1883", "tcp://a:1883,b:1883", "tcp://,tcp://b"}) {
        EXPECT_THROW(brokerUris(bad), std::invalid_argument) << bad;
    }
}

// The first round starts with the first broker and moves on at once when
// one fails; a lost connection starts a round with the next broker; a round
// that failed throughout pauses, and the next starts with the first.
TEST(BrokerUris, RoundsOfAttemptsAlongTheList) {
    nolt::BrokerRotation brokers("tcp://a:1,tcp://b:1,tcp://c:1");
    EXPECT_EQ(brokers.attempt(), "tcp://a:1");
    EXPECT_TRUE(brokers.failed());
    EXPECT_EQ(brokers.attempt(), "tcp://b:1");
    brokers.connected();
    EXPECT_EQ(brokers.current(), "tcp://b:1");
    brokers.lost();
    EXPECT_EQ(brokers.attempt(), "tcp://c:1");
    EXPECT_TRUE(brokers.failed());
    EXPECT_EQ(brokers.attempt(), "tcp://a:1");
    EXPECT_TRUE(brokers.failed());
    EXPECT_FALSE(brokers.failed()) << "every broker failed: the pause comes before the next round";
    EXPECT_EQ(brokers.attempt(), "tcp://a:1");
    brokers.connected();
    EXPECT_EQ(brokers.current(), "tcp://a:1");
    EXPECT_FALSE(nolt::BrokerRotation("tcp://a:1").several());
}
