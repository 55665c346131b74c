#pragma once
// Settings of the MQTT client's socket that the MQTT library (Paho C 1.3.12
// here) has no option for, and no call that hands out its socket. So the
// socket is found among this process's sockets by its peer, the broker.
//
// Nagle's algorithm goes: request/reply round trips through a broker
// otherwise stall on delayed ACKs (tens of milliseconds per hop); only from
// 1.3.16 on does the library set TCP_NODELAY itself.
//
// Writes block, within a bound: the library writes what a non-blocking socket
// takes at once, and the rest of a large packet only when its receiving
// thread wakes up next, on the next incoming packet or after a second. A
// reply of 100 MB then left at about 5 MB/s. A blocking write takes the whole
// packet in one call at wire speed; the bounds make a write or read that
// cannot go on end as on a non-blocking socket (part written, or nothing
// read), so that a broker that stops reading holds the library's threads no
// longer than that.
#include <array>
#include <cstdint>
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

// TCP_NODELAY and bounded blocking reads and writes, on the same sockets.
int tuneBrokerSockets(const std::vector<SocketPeer>& peers);

// A socket to the broker that is not the MQTT library's (the agent's link
// for large replies, which waits in its own way): the tuning leaves it alone
// from now on, or again after `leave` false (before it is closed).
void leaveUntuned(std::intptr_t socket, bool leave);

}  // namespace platform
