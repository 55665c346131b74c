#pragma once
// A private Mosquitto for one test: its own loopback port and directory,
// stopped and restarted on the same port at will, killed at the end.
#include <chrono>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/loopback_port.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// How often `text` occurs in `all` (a broker's log).
std::size_t occurrences(const std::string& all, const std::string& text);

class MosquittoBroker {
public:
    // Starts the broker and waits until it accepts connections; throws
    // std::runtime_error (with the broker's log) when it does not.
    MosquittoBroker();
    // With lines added to the configuration (they apply to its one
    // listener); "{dir}" stands for the broker's private directory.
    explicit MosquittoBroker(const std::string& extraConfig);
    // Kills the broker; prints its log when the current test has failed.
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    int port() const { return port_.port(); }
    std::string host() const { return "127.0.0.1"; }
    std::string uri() const;  // "tcp://127.0.0.1:PORT"

    // Ends the broker in order (SIGTERM; SIGKILL when it lingers) and waits
    // until it is gone. Clients see their connections close.
    void stop();
    // Starts it again on the same port (after stop(), or after it died).
    void restart();
    bool running();
    // SIGSTOP freezes it with every connection left open; SIGCONT thaws it.
    bool signal(int signalNumber);

    // What the broker has written so far (connections, subscriptions, errors).
    std::string log() const;
    // How often the text occurs in the log.
    std::size_t logCount(const std::string& text) const;

private:
    void start();

    TempDir directory_{"nolt-broker"};
    ReservedLoopbackPort port_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace testsupport
