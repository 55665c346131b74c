#pragma once
// Host and port of the broker, read out of its URI the way the MQTT library
// reads them.
#include <optional>
#include <string>

namespace platform {

struct BrokerAddress {
    std::string scheme;  // "tcp", "ssl", "ws", …; empty when the URI names none
    std::string host;    // without the brackets of an IPv6 literal
    int port = 0;
};

// Host and port of a broker URI such as "tcp://127.0.0.1:1883",
// "ssl://host", "ws://host:8080/mqtt" or "[::1]:1883". Without a port:
// 1883 for tcp/mqtt (and no scheme), 8883 for ssl/tls/mqtts, 80 for ws,
// 443 for wss. Empty when the URI has no host, an unknown scheme or a bad port.
std::optional<BrokerAddress> parseBrokerUri(const std::string& uri);

}  // namespace platform
