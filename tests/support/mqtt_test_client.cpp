#include "tests/support/mqtt_test_client.h"

#include <unistd.h>

#include <mqtt/async_client.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "platform/broker_socket.h"
#include "tests/support/mqtt_wakeup.h"

namespace testsupport {
namespace {

std::string uniqueClientId(const std::string& name) {
    static std::atomic<int> counter{0};
    return "nolt-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" + name;
}

}  // namespace

// Completes the re-subscription that each connect starts; the connect's
// number travels as the user context.
class MqttTestClient::ResubscribeListener : public mqtt::iaction_listener {
public:
    explicit ResubscribeListener(MqttTestClient& client) : client_(client) {}

    void on_success(const mqtt::token& token) override {
        auto connection = static_cast<int>(reinterpret_cast<std::intptr_t>(token.get_user_context()));
        {
            std::lock_guard<std::mutex> lock(client_.stateMutex_);
            client_.subscribedConnection_ = std::max(client_.subscribedConnection_, connection);
        }
        client_.stateChanged_.notify_all();
    }
    void on_failure(const mqtt::token&) override {}

private:
    MqttTestClient& client_;
};

MqttTestClient::MqttTestClient(const std::string& name, bool cleanSession, bool loginUnderClients)
    : clientId_(uniqueClientId(name)),
      replyTopic_((loginUnderClients ? "clients/" : "nolt-test/") + clientId_ + "/reply"),
      wakeTopic_((loginUnderClients ? "clients/" : "nolt-test/") + clientId_ + "/wake"),
      cleanSession_(cleanSession),
      login_(loginUnderClients),
      resubscribeListener_(std::make_unique<ResubscribeListener>(*this)) {}

MqttTestClient::~MqttTestClient() {
    try {
        disconnect();
    } catch (const std::exception&) {
        // The broker may be gone already; the client goes anyway.
    }
    client_.reset();
}

void MqttTestClient::connect(const std::string& uri, std::chrono::milliseconds bound) {
    if (client_) disconnect(bound);
    // Looked up here: the MQTT library's thread, which sets the option, must not wait.
    brokerPeers_ = platform::lookUpBroker(uri);
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        subscriptions_.insert(replyTopic_);
        subscriptions_.insert(wakeTopic_);
    }
    client_ = std::make_unique<mqtt::async_client>(uri, clientId_);
    client_->set_connected_handler([this](const std::string&) { onConnected(); });
    client_->set_connection_lost_handler([this](const std::string&) { onConnectionLost(); });
    client_->set_message_callback([this](mqtt::const_message_ptr message) {
        ReceivedMessage received{message->get_topic(), message->to_string(), message->is_retained(),
                                 message->get_qos(), {}};
        received.json = nlohmann::json::parse(received.payload, nullptr, false);
        onMessage(std::move(received));
    });

    auto options = mqtt::connect_options_builder()
                       .clean_session(cleanSession_)
                       .mqtt_version(MQTTVERSION_3_1_1)  // no silent second try with 3.1
                       .connect_timeout(std::chrono::duration_cast<std::chrono::seconds>(bound) + 1s)
                       .finalize();
    if (login_) options.set_user_name(clientId_);
    auto token = client_->connect(options);
    if (!waitWakingMqtt(bound, [&](auto slice) { return token->wait_for(slice); })) {
        throw std::runtime_error(clientId_ + " could not connect to " + uri + " in time");
    }
    {
        std::lock_guard<std::mutex> lock(reconnectMutex_);
        wantConnected_ = true;
    }
    if (!waitConnected(bound)) {
        throw std::runtime_error(clientId_ + " could not subscribe " + replyTopic_ + " in time");
    }
    addWakeableClient(*client_, wakeTopic_);
}

void MqttTestClient::disconnect(std::chrono::milliseconds bound) {
    if (!client_) return;
    removeWakeableClient(*client_);
    {
        std::lock_guard<std::mutex> lock(reconnectMutex_);
        wantConnected_ = false;
    }
    if (!client_->is_connected()) return;
    client_->disconnect()->wait_for(bound);
    std::lock_guard<std::mutex> lock(stateMutex_);
    connected_ = false;
}

bool MqttTestClient::isConnected() const { return client_ && client_->is_connected(); }

mqtt::async_client& MqttTestClient::connectedClient() {
    if (!client_) throw std::logic_error(clientId_ + " was never connected");
    return *client_;
}

template <class WaitSlice>
auto MqttTestClient::waitActively(std::chrono::milliseconds bound, WaitSlice waitSlice) {
    return waitWakingMqtt(bound, [&](std::chrono::milliseconds slice) {
        keepConnected();
        return waitSlice(slice);
    });
}

void MqttTestClient::keepConnected() {
    // Retries are paced: a refused attempt fails at once.
    constexpr auto kRetryInterval = 50ms;
    std::lock_guard<std::mutex> lock(reconnectMutex_);
    if (!wantConnected_ || client_->is_connected()) return;
    if (reconnecting_ && !reconnecting_->is_complete()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReconnect_ < kRetryInterval) return;
    lastReconnect_ = now;
    try {
        reconnecting_ = client_->reconnect();
    } catch (const mqtt::exception&) {
        reconnecting_.reset();  // tried again on a later slice
    }
}

bool MqttTestClient::waitConnected(std::chrono::milliseconds bound) {
    return waitActively(bound, [this](auto slice) {
        std::unique_lock<std::mutex> lock(stateMutex_);
        return stateChanged_.wait_for(lock, slice,
                                      [this] { return connected_ && subscribedConnection_ == connections_; });
    });
}

int MqttTestClient::connectionCount() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return connections_;
}

void MqttTestClient::onConnected() {
    // The library opens a new socket on each reconnect.
    platform::setTcpNoDelay(brokerPeers_);
    auto topics = std::make_shared<mqtt::string_collection>();
    int connection = 0;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        connected_ = true;
        connection = ++connections_;
        for (const auto& topic : subscriptions_) topics->push_back(topic);
    }
    stateChanged_.notify_all();
    // A clean session starts without subscriptions. Only start them here:
    // waiting for the SUBACK on the library's own thread would block it.
    client_->subscribe(topics, mqtt::iasync_client::qos_collection(topics->size(), 1),
                       reinterpret_cast<void*>(static_cast<std::intptr_t>(connection)),
                       *resubscribeListener_);
}

void MqttTestClient::onConnectionLost() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        connected_ = false;
    }
    stateChanged_.notify_all();
}

void MqttTestClient::onMessage(ReceivedMessage message) {
    if (message.topic != wakeTopic_) inbox_.push(std::move(message));
}

void MqttTestClient::subscribe(const std::string& topicFilter, std::chrono::milliseconds bound) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        subscriptions_.insert(topicFilter);
    }
    if (!connectedClient().subscribe(topicFilter, 1)->wait_for(bound)) {
        throw std::runtime_error(clientId_ + " got no SUBACK for " + topicFilter + " in time");
    }
}

void MqttTestClient::unsubscribe(const std::string& topicFilter, std::chrono::milliseconds bound) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        subscriptions_.erase(topicFilter);
    }
    if (!connectedClient().unsubscribe(topicFilter)->wait_for(bound)) {
        throw std::runtime_error(clientId_ + " got no UNSUBACK for " + topicFilter + " in time");
    }
}

void MqttTestClient::publish(const std::string& topic, const nlohmann::json& message, bool retained,
                             std::chrono::milliseconds bound) {
    publishText(topic, message.dump(), retained, bound);
}

void MqttTestClient::publishText(const std::string& topic, const std::string& text, bool retained,
                                 std::chrono::milliseconds bound) {
    if (!connectedClient().publish(topic, text.data(), text.size(), 1, retained)->wait_for(bound)) {
        throw std::runtime_error(clientId_ + " got no PUBACK on " + topic + " in time");
    }
}

void MqttTestClient::publishClientInfo(const std::string& status) {
    publish(clientInfoTopic(), nlohmann::json{{"status", status}});
}

std::optional<ReceivedMessage> MqttTestClient::waitFor(
    const std::function<bool(const ReceivedMessage&)>& matches, std::chrono::milliseconds bound) {
    return waitActively(bound, [&](auto slice) { return inbox_.waitTake(matches, slice); });
}

std::optional<ReceivedMessage> MqttTestClient::waitForMessageOn(const std::string& topic,
                                                                std::chrono::milliseconds bound) {
    return waitFor([&](const ReceivedMessage& message) { return message.topic == topic; }, bound);
}

bool MqttTestClient::expectNoMessageOn(const std::string& topic, std::chrono::milliseconds bound) {
    auto onTopic = [&](const ReceivedMessage& message) { return message.topic == topic; };
    return !waitActively(bound, [&](auto slice) { return inbox_.waitFind(onTopic, slice); });
}

std::vector<ReceivedMessage> MqttTestClient::messages() const { return inbox_.snapshot(); }

void MqttTestClient::clearMessages() { inbox_.clear(); }

std::optional<nlohmann::json> MqttTestClient::waitForReplyWithId(const nlohmann::json& id,
                                                                 std::chrono::milliseconds bound) {
    auto message = waitFor(
        [&](const ReceivedMessage& candidate) {
            return candidate.topic == replyTopic_ && candidate.json.is_object() &&
                   candidate.json.contains("id") && candidate.json["id"] == id;
        },
        bound);
    if (!message) return std::nullopt;
    return message->json;
}

nlohmann::json MqttTestClient::call(const std::string& topic, nlohmann::json request,
                                    std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    const auto id = nextCallId_++;
    request["sender"] = replyTopic_;
    request["id"] = id;
    publish(topic, request, false, bound);
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    auto reply = waitForReplyWithId(id, std::max(left, 0ms));
    if (!reply) {
        throw std::runtime_error("no reply within " + std::to_string(bound.count()) + " ms to " +
                                 request.dump() + " on " + topic);
    }
    return *reply;
}

std::optional<nlohmann::json> MqttTestClient::waitForEvent(const std::string& callbackId,
                                                           std::chrono::milliseconds bound) {
    return waitForReplyWithId(callbackId, bound);
}

}  // namespace testsupport
