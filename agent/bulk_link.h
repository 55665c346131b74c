#pragma once
// A second connection to the broker for large replies, so that a reply of
// tens of MB holds up no other machine's small one.
//
// The MQTT library runs one sending and one receiving thread for all the
// clients of a process, and the agent's sockets write a large packet in one
// blocking call (platform/broker_socket.h): a second client of the library
// would still queue a small reply behind a large one. This link speaks the
// little of MQTT 3.1.1 that publishing at QoS 1 needs, on a thread and
// socket of its own.
//
// It connects on first use, to the broker the agent's main connection is on,
// and moves with it. A publication it cannot take (not connected yet, lost,
// or too much queued) goes the main connection's way instead; what it took
// and the broker did not acknowledge when its connection ends is handed
// there too, in order, so nothing is lost.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace nolt {

struct BulkSettings {
    std::string clientId;
    std::string userName;
    std::string password;
    std::chrono::seconds keepAlive{60};
    std::chrono::seconds connectTimeout{30};
    // Publications taken and not yet acknowledged, in payload bytes.
    std::size_t queueBytes = std::size_t{256} << 20;
};

class BulkLink {
public:
    // `sentTo`: the broker that was given the publication whole, or part of
    // it, without acknowledging it (it may pass it on); empty when none was.
    using Fallback = std::function<void(const std::string& topic, std::string payload, const std::string& sentTo)>;

    BulkLink(BulkSettings settings, Fallback fallback);
    ~BulkLink();
    BulkLink(const BulkLink&) = delete;
    BulkLink& operator=(const BulkLink&) = delete;

    // Whether the link can reach this broker: plain TCP only (it has no TLS
    // and no websockets; those brokers get everything on the main connection).
    static bool serves(const std::string& uri);

    // The broker of the main connection; a link on another one moves.
    void follow(const std::string& uri);

    // Takes a QoS 1 publication (the payload is moved out) when the link is
    // up and has room; false leaves the payload to the caller. The first
    // call starts the connection.
    bool publish(const std::string& topic, std::string& payload);

    // Waits until everything taken was acknowledged or handed back; false
    // when the bound passed first.
    bool flush(std::chrono::milliseconds bound);

    // Closes the connection; what is unacknowledged is handed back.
    void stop();

    bool up() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace nolt
