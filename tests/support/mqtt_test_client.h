#pragma once
// A remote client as tests need it: publishes requests, waits for replies
// and events, and keeps everything it received in an inbox. While it waits,
// it wakes the MQTT library (see mqtt_wakeup.h) so that other connections
// of this process, the agent's included, are not held up.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/broker_socket.h"
#include "tests/support/wait_for.h"

namespace mqtt {
class async_client;
class token;
}

namespace testsupport {

inline constexpr std::chrono::milliseconds kMqttBound = 5s;

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
    int qos = 0;
    nlohmann::json json;  // the parsed payload; discarded when it is not JSON

    bool isJson() const { return !json.is_discarded(); }
};

class MqttTestClient {
public:
    // The name becomes part of the client id, which is unique per process
    // and across processes.
    // A persistent session (cleanSession false) keeps the subscriptions and
    // what arrives for them while the client is away, on a broker that
    // keeps its state across restarts.
    // With loginUnderClients, it logs in with its client id as user name and
    // keeps its topics below "clients/<client id>/", the layout of the
    // broker ACL in docs/.
    explicit MqttTestClient(const std::string& name = "client", bool cleanSession = true,
                            bool loginUnderClients = false);
    // Disconnects (bounded) when still connected.
    ~MqttTestClient();
    MqttTestClient(const MqttTestClient&) = delete;
    MqttTestClient& operator=(const MqttTestClient&) = delete;

    // Connects with a clean session, turns on TCP_NODELAY and subscribes the
    // reply topic; returns once all of that is done. Throws the MQTT
    // library's exception or std::runtime_error.
    void connect(const std::string& uri, std::chrono::milliseconds bound = kMqttBound);
    void disconnect(std::chrono::milliseconds bound = kMqttBound);
    bool isConnected() const;
    // Waits until connected with every subscription in place again. A lost
    // connection is re-established while this or any other wait of the
    // client runs (the library's own automatic reconnect retries only every
    // three seconds or so).
    bool waitConnected(std::chrono::milliseconds bound = kMqttBound);
    // Successful connects so far, reconnects included.
    int connectionCount() const;

    const std::string& clientId() const { return clientId_; }
    // Three levels, so that its client-info topic has the four the agent
    // expects; also what call() puts into "sender".
    const std::string& replyTopic() const { return replyTopic_; }
    std::string clientInfoTopic() const { return replyTopic_ + "/__clientInfo__"; }

    // QoS 1; returns after the SUBACK; kept across reconnects.
    void subscribe(const std::string& topicFilter, std::chrono::milliseconds bound = kMqttBound);
    void unsubscribe(const std::string& topicFilter, std::chrono::milliseconds bound = kMqttBound);

    // QoS 1; returns after the PUBACK. An empty retained text clears the
    // topic's retained message.
    void publish(const std::string& topic, const nlohmann::json& message, bool retained = false,
                 std::chrono::milliseconds bound = kMqttBound);
    void publishText(const std::string& topic, const std::string& text, bool retained = false,
                     std::chrono::milliseconds bound = kMqttBound);
    // {"status": status} on the client-info topic.
    void publishClientInfo(const std::string& status);

    // The oldest received message that matches, taken out of the inbox so
    // that the next wait sees the next one.
    std::optional<ReceivedMessage> waitFor(const std::function<bool(const ReceivedMessage&)>& matches,
                                           std::chrono::milliseconds bound = kMqttBound);
    std::optional<ReceivedMessage> waitForMessageOn(const std::string& topic,
                                                    std::chrono::milliseconds bound = kMqttBound);
    // True when nothing arrives on the topic within the bound (which is
    // waited out in full: keep it short, use it sparingly).
    bool expectNoMessageOn(const std::string& topic, std::chrono::milliseconds bound);
    std::vector<ReceivedMessage> messages() const;
    void clearMessages();

    // Sets "sender" to the reply topic and "id" to a number unique for this
    // client, publishes the request and returns the reply with that id.
    // Throws std::runtime_error when no reply comes within the bound.
    nlohmann::json call(const std::string& topic, nlohmann::json request,
                        std::chrono::milliseconds bound = kMqttBound);
    // The next event with this callback id on the reply topic, taken.
    std::optional<nlohmann::json> waitForEvent(const std::string& callbackId,
                                               std::chrono::milliseconds bound = kMqttBound);

private:
    class ResubscribeListener;
    template <class WaitSlice>
    auto waitActively(std::chrono::milliseconds bound, WaitSlice waitSlice);
    void keepConnected();
    mqtt::async_client& connectedClient();  // throws std::logic_error before connect()
    void onConnected();
    void onConnectionLost();
    void onMessage(ReceivedMessage message);
    std::optional<nlohmann::json> waitForReplyWithId(const nlohmann::json& id,
                                                     std::chrono::milliseconds bound);

    const std::string clientId_;
    const std::string replyTopic_;
    const std::string wakeTopic_;  // see mqtt_wakeup.h
    const bool cleanSession_;
    const bool login_;
    std::vector<platform::SocketPeer> brokerPeers_;
    std::atomic<std::int64_t> nextCallId_{1};
    EventQueue<ReceivedMessage> inbox_;

    // Connection state, changed on the MQTT library's thread.
    mutable std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool connected_ = false;
    int connections_ = 0;
    int subscribedConnection_ = 0;  // the connect whose re-subscription completed
    std::set<std::string> subscriptions_;

    // Our own reconnection, driven by the waits.
    std::mutex reconnectMutex_;
    bool wantConnected_ = false;
    std::shared_ptr<mqtt::token> reconnecting_;
    std::chrono::steady_clock::time_point lastReconnect_;

    std::unique_ptr<ResubscribeListener> resubscribeListener_;
    std::unique_ptr<mqtt::async_client> client_;  // last: goes first
};

}  // namespace testsupport
