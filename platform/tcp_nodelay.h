#pragma once
// Turns off Nagle's algorithm on the MQTT client's socket. The MQTT library
// has no option for it, and request/reply round trips through a broker
// otherwise stall on delayed ACKs (tens of milliseconds per hop).
#include <optional>
#include <string>

namespace platform {

struct BrokerAddress {
    std::string host;  // without the brackets of an IPv6 literal
    int port = 0;
};

// Host and port of a broker URI such as "tcp://127.0.0.1:1883",
// "ssl://host", "ws://host:8080/mqtt" or "[::1]:1883". Without a port:
// 1883 for tcp/mqtt (and no scheme), 8883 for ssl/tls/mqtts, 80 for ws,
// 443 for wss. Empty when the URI has no host, an unknown scheme or a bad port.
std::optional<BrokerAddress> parseBrokerUri(const std::string& uri);

// Sets TCP_NODELAY on every connected TCP socket of this process whose peer
// is host:port (host resolved to all its IPv4 and IPv6 addresses). Returns
// how many sockets it set; 0 when none matched or the host did not resolve.
int setTcpNoDelayToPeer(const std::string& host, int port);

}  // namespace platform
