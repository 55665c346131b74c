#pragma once
// The agent as a Sparkplug B edge node, each machine session a device, on a
// connection of its own: a connection has one will, and the agent's own will
// is its "offline" agent info. Read-only: commands other than a rebirth are
// refused and logged.
//
// Everything is published by one thread, so that the sequence numbers run in
// the order the messages leave. Summaries only mark their device; that thread
// sends what changed since the last message of that device, so the work
// waiting is bounded by the number of machines however fast they change.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <mqtt/async_client.h>

#include "agent/reconnector.h"
#include "agent/sparkplug/metrics.h"

namespace nolt::sparkplug {

struct NodeSettings {
    std::string group;
    std::string edgeNode;
    std::string clientId;
    std::string brokerUri;
    // TLS, credentials and keep-alive as the agent's own; the will is replaced.
    mqtt::connect_options connectOptions;
    // Shown in the birth as "Properties/<name>".
    std::map<std::string, std::string> properties;
};

class Node : public virtual mqtt::callback {
public:
    // Throws when the settings are unusable or the build has no Sparkplug.
    explicit Node(NodeSettings settings);
    ~Node() override;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    void setProperty(const std::string& name, const std::string& value);
    // Connects, and keeps reconnecting until stop().
    void start();
    // A machine's whole summary (JSON text) after a change; empty when the
    // machine is gone. Any thread.
    void machineStatus(const std::string& instance, const std::string& summary);
    // Sends what is pending, then NDEATH, and disconnects.
    void stop();

    // mqtt::callback, on the MQTT library's thread.
    void connected(const std::string& cause) override;
    void connection_lost(const std::string& cause) override;
    void message_arrived(mqtt::const_message_ptr message) override;

private:
    struct Device {
        Metrics current;
        Metrics published;
        bool gone = false;
        bool born = false;  // a DBIRTH went out on this connection
    };

    void attemptConnect();
    void publishLoop();
    // With the lock held; publish unlocked in between.
    void birth(std::unique_lock<std::mutex>& lock);
    void sendDirty(std::unique_lock<std::mutex>& lock);
    void send(std::unique_lock<std::mutex>& lock, const std::string& type, const std::string& device,
              const Metrics& metrics);
    Metrics nodeMetrics() const;
    void refuse(const std::string& what);

    // Failed connects try again.
    class ConnectListener : public virtual mqtt::iaction_listener {
    public:
        explicit ConnectListener(Node& node) : node_(node) {}
        void on_failure(const mqtt::token&) override;
        void on_success(const mqtt::token&) override {}

    private:
        Node& node_;
    };

    const NodeSettings settings_;
    const std::string commandTopic_, deviceCommandTopic_, deathTopic_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> properties_;
    std::map<std::string, Device> devices_;  // by cleaned device id
    std::set<std::string> dirty_;
    std::uint64_t bdSeq_ = 0;  // of the connection being made or held
    std::uint64_t nextBdSeq_ = 0;
    std::uint64_t seq_ = 0;
    std::size_t machinesPublished_ = 0;
    bool online_ = false;
    bool birthWanted_ = false;
    bool stopping_ = false;
    bool closing_ = false;
    // Messages handed to the library and not yet written; only the publishing thread.
    std::deque<mqtt::delivery_token_ptr> inFlight_;

    Reconnector reconnector_;
    ConnectListener connectListener_{*this};
    // After everything its callbacks and listeners use, so that it goes first.
    mqtt::async_client client_;
    std::thread thread_;
};

}  // namespace nolt::sparkplug
