#include "client/broker_link.h"

#include <iomanip>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "agent/broker_uris.h"
#include "agent/connect_options.h"
#include "client/client_error.h"

namespace nolt::client {
namespace {

constexpr int kQos = 1;

std::string randomHex() {
    std::random_device device;
    std::uniform_int_distribution<std::uint64_t> any;
    std::ostringstream text;
    text << std::hex << std::setw(16) << std::setfill('0') << any(device);
    return text.str();
}

// The agent's brokers, credentials and TLS settings; no reconnect and a will of our own.
mqtt::connect_options clientConnectOptions(const AgentOptions& options, std::chrono::milliseconds bound) {
    const mqtt::connect_options agent = agentConnectOptions(options);
    mqtt::connect_options connect;
    connect.set_clean_session(true);
    connect.set_keep_alive_interval(60);
    connect.set_mqtt_version(agent.get_mqtt_version());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(bound).count();
    connect.set_connect_timeout(static_cast<int>(std::clamp<long long>(seconds, 1, options.connectTimeout)));
    connect.set_ssl(agent.get_ssl_options());
    if (const auto servers = agent.get_servers(); servers && !servers->empty()) connect.set_servers(servers);
    if (!agent.get_user_name().empty()) connect.set_user_name(agent.get_user_name());
    if (!agent.get_password_str().empty()) connect.set_password(agent.get_password_str());
    return connect;
}

}  // namespace

BrokerLink::BrokerLink(const AgentOptions& options, std::chrono::milliseconds bound, bool announceOffline)
    : bound_(bound), brokerUri_(options.broker) {
    const std::string clientId = "noltcli" + randomHex();
    replyTopic_ = "nolt-client/" + clientId + "/reply";
    auto connect = clientConnectOptions(options, bound);
    if (announceOffline) {
        connect.set_will(mqtt::will_options(replyTopic_ + "/__clientInfo__", std::string(R"({"status":"offline"})"), kQos, false));
    }
    try {
        client_ = std::make_unique<mqtt::async_client>(brokerUris(brokerUri_).front(), clientId,
                                                       static_cast<mqtt::iclient_persistence*>(nullptr));
        client_->set_message_callback([this](mqtt::const_message_ptr message) { arrived(std::move(message)); });
        client_->set_connection_lost_handler([this](const std::string&) {
            std::lock_guard<std::mutex> lock(mutex_);
            lost_ = true;
            changed_.notify_all();
        });
        client_->connect(connect)->wait();
        client_->subscribe(replyTopic_, kQos)->wait_for(bound_);
    } catch (const mqtt::exception& e) {
        throw ClientError("Cannot connect to the broker at " + brokerUri_ + ": " + e.what());
    }
}

BrokerLink::~BrokerLink() {
    try {
        if (client_ && client_->is_connected()) client_->disconnect()->wait_for(bound_);
    } catch (const mqtt::exception&) {
    }
}

void BrokerLink::arrived(mqtt::const_message_ptr message) {
    Received received{message->get_topic(), message->get_payload_str()};
    std::lock_guard<std::mutex> lock(mutex_);
    if (received.topic == replyTopic_) {
        replies_.push_back(std::move(received));
    } else {
        seen_.push_back(std::move(received));
    }
    changed_.notify_all();
}

void BrokerLink::subscribe(const std::string& filter) {
    try {
        if (!client_->subscribe(filter, kQos)->wait_for(bound_)) {
            throw ClientError("The broker did not confirm the subscription of " + filter + " within the time-out",
                              kExitTimeout);
        }
    } catch (const mqtt::exception& e) {
        throw ClientError("Cannot subscribe " + filter + ": " + e.what());
    }
}

void BrokerLink::publish(const std::string& topic, const std::string& payload, bool retained) {
    try {
        client_->publish(topic, payload, kQos, retained)->wait_for(bound_);
    } catch (const mqtt::exception& e) {
        throw ClientError("Cannot publish on " + topic + ": " + e.what());
    }
}

void BrokerLink::sync() {
    // The broker queues our own message behind everything it queued for us before.
    const std::string marker = R"({"sync":")" + randomHex() + R"("})";
    publish(replyTopic_, marker);
    if (!waitForReply([&](const Received& message) { return message.payload == marker; }, bound_)) {
        if (interrupted()) return;
        throw ClientError("The broker at " + brokerUri_ + " did not answer within the time-out", kExitTimeout);
    }
}

void BrokerLink::discover(const std::string& topic, std::chrono::milliseconds quiet) {
    if (!discovered_.insert(topic).second) return;
    const std::string id = "discover-" + randomHex();
    publish(topic, nlohmann::json{{"sender", replyTopic_}, {"id", id}}.dump());
    const auto answers = [&](const Received& message) { return message.payload.find(id) != std::string::npos; };
    while (auto answer = waitForReply(answers, quiet)) {
        const auto json = nlohmann::json::parse(answer->payload, nullptr, false);
        if (!json.is_object() || json.value("id", "") != id || !json.contains("retained") ||
            !json["retained"].is_object()) {
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [retainedTopic, object] : json["retained"].items()) seen_.push_back({retainedTopic, object.dump()});
    }
}

std::vector<Received> BrokerLink::latestMatching(const std::function<bool(const std::string&)>& matches) const {
    std::vector<Received> latest;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& message : seen_) {
        if (!matches(message.topic)) continue;
        auto it = std::find_if(latest.begin(), latest.end(),
                               [&](const Received& known) { return known.topic == message.topic; });
        if (it == latest.end()) {
            latest.push_back(message);
        } else {
            it->payload = message.payload;
        }
    }
    std::erase_if(latest, [](const Received& message) { return message.payload.empty(); });
    return latest;
}

std::optional<Received> BrokerLink::waitForReply(const std::function<bool(const Received&)>& matches,
                                                 std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<Received> found;
    changed_.wait_for(lock, bound, [&] {
        if (interrupted_ || lost_) return true;
        auto it = std::find_if(replies_.begin(), replies_.end(), matches);
        if (it == replies_.end()) return false;
        found = std::move(*it);
        replies_.erase(it);
        return true;
    });
    if (!found && lost_ && !interrupted_) throw ClientError("Lost the connection to the broker at " + brokerUri_);
    return found;
}

void BrokerLink::interrupt() {
    std::lock_guard<std::mutex> lock(mutex_);
    interrupted_ = true;
    changed_.notify_all();
}

bool BrokerLink::interrupted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return interrupted_;
}

void BrokerLink::goOffline() {
    try {
        client_->publish(replyTopic_ + "/__clientInfo__", R"({"status":"offline"})", kQos, false)->wait_for(bound_);
        client_->disconnect()->wait_for(bound_);
    } catch (const mqtt::exception&) {
        // The broker publishes the same through the will when the link breaks.
    }
}

}  // namespace nolt::client
