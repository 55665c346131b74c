#include <gtest/gtest.h>

#include "platform/broker_uri.h"

namespace {

void expectAddress(const std::string& uri, const std::string& host, int port) {
    auto address = platform::parseBrokerUri(uri);
    ASSERT_TRUE(address) << uri;
    EXPECT_EQ(host, address->host) << uri;
    EXPECT_EQ(port, address->port) << uri;
}

TEST(BrokerUri, ReadsHostAndPort) {
    expectAddress("tcp://127.0.0.1:1883", "127.0.0.1", 1883);
    expectAddress("ssl://broker.example:8884", "broker.example", 8884);
    expectAddress("mqtt://broker:2000", "broker", 2000);
    expectAddress("broker:1884", "broker", 1884);
}

TEST(BrokerUri, FallsBackToTheSchemesDefaultPort) {
    expectAddress("tcp://broker", "broker", 1883);
    expectAddress("mqtt://broker", "broker", 1883);
    expectAddress("broker", "broker", 1883);
    expectAddress("ssl://broker", "broker", 8883);
    expectAddress("mqtts://broker", "broker", 8883);
    expectAddress("tls://broker", "broker", 8883);
    expectAddress("ws://broker", "broker", 80);
    expectAddress("wss://broker", "broker", 443);
}

TEST(BrokerUri, IgnoresAWebSocketPath) {
    expectAddress("ws://broker:9001/mqtt", "broker", 9001);
    expectAddress("wss://broker/mqtt", "broker", 443);
}

TEST(BrokerUri, ReadsBracketedIpv6Literals) {
    expectAddress("tcp://[::1]:1885", "::1", 1885);
    expectAddress("ssl://[fe80::1]", "fe80::1", 8883);
}

TEST(BrokerUri, RejectsWhatItCannotRead) {
    for (const char* uri : {"", "tcp://", "tcp://:1883", "tcp://host:", "tcp://host:0",
                            "tcp://host:65536", "tcp://host:12x", "gopher://host:70",
                            "tcp://[::1", "tcp://[::1]x", "tcp://[]:1883"}) {
        EXPECT_FALSE(platform::parseBrokerUri(uri)) << uri;
    }
}

}  // namespace
