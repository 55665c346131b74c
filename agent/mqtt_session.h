#pragma once
// The agent's MQTT session: the broker connection and its reconnects, the
// subscriptions, and everything the agent publishes. What arrives from
// clients is the dispatcher's (dispatcher.h); this class hands it the
// payloads and lets the MQTT library's copies go.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <mqtt/async_client.h>
#include <nlohmann/json.hpp>

#include "agent/broker_uris.h"
#include "agent/bulk_link.h"
#include "agent/dispatcher.h"
#include "agent/instance_status.h"
#include "agent/memory_release.h"
#include "agent/outbox.h"
#include "agent/reconnector.h"
#include "agent/subscriptions.h"
#include "agent/topics.h"

namespace nolt {

// Prints failures of subscribe and unsubscribe requests.
class ActionListener : public virtual mqtt::iaction_listener {
public:
    explicit ActionListener(std::string name) : name_(std::move(name)) {}
    void on_failure(const mqtt::token& token) override;
    void on_success(const mqtt::token&) override {}

private:
    std::string name_;
};

// A listener that calls one function with the token, on success or failure.
class TokenListener : public virtual mqtt::iaction_listener {
public:
    explicit TokenListener(std::function<void(const mqtt::token&)> react) : react_(std::move(react)) {}
    void on_failure(const mqtt::token& token) override { react_(token); }
    void on_success(const mqtt::token& token) override { react_(token); }

private:
    std::function<void(const mqtt::token&)> react_;
};

class MqttSession : public virtual mqtt::callback,
                    public virtual mqtt::iaction_listener,
                    public DispatchLink,
                    public std::enable_shared_from_this<MqttSession> {
public:
    MqttSession(std::shared_ptr<mqtt::async_client> client, mqtt::connect_options options, const Topics& topics,
                std::string brokerUri, std::string hostname);
    ~MqttSession() override;

    // Becomes the client's callback and the process's event publisher.
    void attach();

    // mqtt::callback
    void connected(const std::string& cause) override;
    void connection_lost(const std::string& cause) override;
    void message_arrived(mqtt::const_message_ptr message) override;
    void delivery_complete(mqtt::delivery_token_ptr) override {}

    // Listener of connect requests.
    void on_failure(const mqtt::token& token) override;
    // The connection itself is told by connected(): the library may skip
    // this listener when the broker's answer overtakes its own bookkeeping.
    void on_success(const mqtt::token&) override {}

    // DispatchLink
    void subscribe(const std::string& topic) override;
    void unsubscribe(const std::string& topic) override;
    // The payload is moved into the MQTT message: a reply may be tens of MB.
    void publish(const std::string& topic, std::string payload, bool retained) override;
    bool subscribes(const std::string& topic) override { return subscriptions_.contains(topic); }
    void releaseMemory() override { memoryRelease_.request(); }
    nlohmann::json agentInfo() override;

    // Starts a connect with this object as listener; throws the MQTT library's exception.
    void startConnect();

    // No more reconnects from now on; waits for an attempt being started.
    void stopReconnecting();

    // Everything the agent publishes, in order; large replies aside (bulk_link.h).
    Outbox& outbox() { return *outbox_; }

    // Large replies go through this link from now on; their fallback is the outbox.
    void useBulkLink(BulkSettings settings);
    // Waits until the large replies taken were acknowledged, then closes their link.
    void closeBulkLink(std::chrono::milliseconds bound);

    // Requests longer than this are refused unparsed.
    void setRequestLimit(std::size_t bytes) { dispatcher_->setRequestLimit(bytes); }

    // One received call message, run on a worker; the message is let go as
    // soon as it is parsed.
    void callTask(const ReceivedTopic& topic, mqtt::const_message_ptr message);

    SubscriptionTable& subscriptions() { return subscriptions_; }
    InstanceStatusPublisher& instanceStatus() { return *instanceStatus_; }

    // Whether the agent announced itself online at least once.
    bool everOnline() const { return everOnline_; }

private:
    // After a connect: the whole subscription table. The agent goes online
    // only when the broker took the topics that the agent needs.
    void subscribeAll(std::uint64_t link);
    void neededSubscriptionAnswered(const mqtt::token& token);
    void goOnline();
    // A connection the agent cannot use goes, and the next connect follows
    // as after a failed one.
    void dropLink(std::uint64_t link, const std::string& why);
    void reconnect();
    // One reconnect attempt, on the reconnector's thread.
    void attemptReconnect();
    void publishClassInfo(const std::string& className);
    // Runs one step of the session; an MQTT failure is printed and the next step goes on.
    template <typename Step>
    void tryStep(Step&& step);

    std::shared_ptr<mqtt::async_client> client_;
    mqtt::connect_options options_;
    Topics topics_;
    BrokerRotation broker_;
    std::string hostname_;
    SubscriptionTable subscriptions_;
    ActionListener subscribeListener_{"Subscribe/Unsubscribe"};
    TokenListener neededSubscription_{[this](const mqtt::token& token) { neededSubscriptionAnswered(token); }};
    TokenListener linkDropped_{[this](const mqtt::token&) { reconnect(); }};
    // Counts connects and losses, so that answers on an older connection
    // are told apart.
    std::atomic<std::uint64_t> link_{0};
    // The MQTT library's threads call the callbacks and listeners below until
    // the client is destroyed, and destroying it fails its pending requests
    // into the listeners. Those that use the client pass this gate: the
    // destructor closes it, waits for those inside, and only then lets the
    // client go. Under gateMutex_, which guards nothing else.
    class Entry;
    std::mutex gateMutex_;
    bool closing_ = false;
    int inside_ = 0;
    std::condition_variable nobodyInside_;
    // The needed subscriptions of the latest connect.
    struct Connecting {
        std::uint64_t link = 0;
        std::size_t pending = 0;
        bool decided = false;
    };
    std::mutex connectingMutex_;
    Connecting connecting_;
    std::unique_ptr<InstanceStatusPublisher> instanceStatus_;
    std::unique_ptr<Dispatcher> dispatcher_;

    // Freed memory goes back to the system after deletes, and when no
    // request is left after many (a flood frees tens of MB amid the heaps).
    MemoryRelease memoryRelease_;
    static constexpr std::size_t kReleaseAfterRequests = 1000;
    std::atomic<std::size_t> pendingRequests_{0};
    std::atomic<std::size_t> handledSinceRelease_{0};
    void requestHandled();
    std::shared_ptr<Outbox> outbox_;
    std::unique_ptr<BulkLink> bulk_;  // set before the first connect
    std::atomic<bool> everOnline_{false};
    Reconnector reconnector_;  // last: its thread calls into the members above
};

}  // namespace nolt
