#pragma once
// Turns off Nagle's algorithm on the MQTT client's socket: request/reply
// round trips through a broker otherwise stall on delayed ACKs (tens of
// milliseconds per hop). The MQTT library (Paho C 1.3.12 here) has no option
// for it and no call that hands out its socket; only from 1.3.16 on does it
// set TCP_NODELAY itself. So the socket is found among this process's
// sockets by its peer, the broker.
#include <array>
#include <string>
#include <vector>

namespace platform {

// A TCP peer: its IPv6 address (an IPv4 address as IPv4-mapped) and port.
struct SocketPeer {
    std::array<unsigned char, 16> address{};
    int port = 0;
    bool operator==(const SocketPeer&) const = default;
};

// The addresses of the broker of this URI. Looks its host name up, which may
// block for seconds: never on a thread that must not wait. Empty when the
// URI cannot be read or the name does not resolve, and where the option
// cannot be set anyway.
std::vector<SocketPeer> lookUpBroker(const std::string& uri);

// Sets TCP_NODELAY on every connected TCP socket of this process whose peer
// is one of these; returns how many. Looks nothing up.
int setTcpNoDelay(const std::vector<SocketPeer>& peers);

}  // namespace platform
