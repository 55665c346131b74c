#pragma once
// A private RabbitMQ node with its MQTT and web-MQTT plugins for one test:
// its own node name, loopback ports and data folder, stopped (in order,
// then killed) at the end. Nodes can form a cluster.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// Whether this machine has a RabbitMQ server to start.
bool rabbitMqAvailable();

class RabbitMqNode {
public:
    // Starts the node and waits until its MQTT listener accepts; throws
    // std::runtime_error (with the node's log) when it does not.
    RabbitMqNode();
    ~RabbitMqNode();
    RabbitMqNode(const RabbitMqNode&) = delete;
    RabbitMqNode& operator=(const RabbitMqNode&) = delete;

    int port() const { return port_; }
    int webPort() const { return webPort_; }
    std::string host() const { return "127.0.0.1"; }
    std::string uri() const;  // "tcp://127.0.0.1:PORT"
    const std::string& name() const { return name_; }

    // Ends the node in order and waits until it is gone (killed when it lingers).
    void stop();
    // Starts it again with the same name, ports and data.
    void restart();
    bool running();
    // Sent to the node's Erlang VM (SIGSTOP freezes it, SIGCONT thaws it).
    bool signal(int signalNumber);

    // Makes this node a member of `other`'s cluster.
    void joinCluster(const RabbitMqNode& other);

    std::string log() const;

private:
    void start();
    // rabbitmqctl against this node; throws std::runtime_error with its output when it fails.
    std::string control(const std::vector<std::string>& arguments) const;
    std::vector<std::string> environment() const;
    pid_t vmPid() const;

    TempDir directory_{"nolt-rabbitmq"};
    std::string name_;
    int port_ = 0;
    int webPort_ = 0;
    int distPort_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace testsupport
