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

TEST(BrokerUris, TheConnectedBrokerFollowsWhatTheLibraryReports) {
    nolt::ConnectedBroker broker("tcp://a:1883,tcp://b:1883");
    EXPECT_EQ(broker.current(), "tcp://a:1883");
    broker.connectedTo("tcp://b:1883");
    EXPECT_EQ(broker.current(), "tcp://b:1883");
    broker.connectedTo("");
    EXPECT_EQ(broker.current(), "tcp://b:1883") << "an unknown broker changes nothing";
}
