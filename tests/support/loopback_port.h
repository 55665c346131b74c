#pragma once
// Loopback TCP ports for private brokers.
#include <chrono>
#include <vector>

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

// A loopback server that accepts TCP connections and never answers: an MQTT
// client connecting to it waits for its CONNACK until it gives up.
class SilentServer {
public:
    SilentServer();  // throws std::system_error
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int port() const { return port_; }
    // Accepts one connection and keeps it open; false when none came in time.
    bool acceptOne(std::chrono::milliseconds bound);

private:
    int fd_ = -1;
    int port_ = 0;
    std::vector<int> accepted_;
};

// True when something accepts a TCP connection on 127.0.0.1:port now.
bool loopbackPortAccepts(int port);

}  // namespace testsupport
