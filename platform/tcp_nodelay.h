#pragma once
// Turns off Nagle's algorithm on the MQTT client's socket. The MQTT library
// has no option for it, and request/reply round trips through a broker
// otherwise stall on delayed ACKs (tens of milliseconds per hop).
#include <string>

namespace platform {

// Sets TCP_NODELAY on every connected TCP socket of this process whose peer
// is host:port (host resolved to all its IPv4 and IPv6 addresses). Returns
// how many sockets it set; 0 when none matched or the host did not resolve.
int setTcpNoDelayToPeer(const std::string& host, int port);

}  // namespace platform
