#pragma once
// Loopback TCP ports for private brokers.
#include <chrono>

namespace testsupport {

// A free loopback port that stays ours while this object lives: a bound,
// non-listening socket with SO_REUSEADDR holds it. A server that also sets
// SO_REUSEADDR (mosquitto does) can still listen on it, while other
// processes' free-port probes and outgoing connections keep away from it,
// also while our server is stopped for a restart.
class ReservedLoopbackPort {
public:
    ReservedLoopbackPort();  // throws std::system_error
    ~ReservedLoopbackPort();
    ReservedLoopbackPort(const ReservedLoopbackPort&) = delete;
    ReservedLoopbackPort& operator=(const ReservedLoopbackPort&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// True when something accepts a TCP connection on 127.0.0.1:port now.
bool loopbackPortAccepts(int port);

}  // namespace testsupport
