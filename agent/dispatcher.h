#pragma once
// What arrives from clients, apart from the broker connection: the admission
// and refusal of call requests, the registry call and its reply, the
// follow-ups of a reply (instance topics, class infos, who created what) and
// the clean-up when a client goes offline. It knows no MQTT library type: the
// connection hands it payloads and it answers through a DispatchLink.
#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "agent/client_table.h"
#include "agent/instance_status.h"
#include "agent/local_factory.h"
#include "agent/topics.h"

namespace nolt {

// What the dispatcher needs of the broker connection.
class DispatchLink {
public:
    virtual ~DispatchLink() = default;
    // The payload is moved on: a reply may be tens of MB.
    virtual void publish(const std::string& topic, std::string payload, bool retained) = 0;
    // Kept in the agent's subscription table, and sent to the broker while
    // connected (again on every reconnect); the dispatcher checks the topics
    // built from client input first.
    virtual void subscribe(const std::string& filter) = 0;
    virtual void unsubscribe(const std::string& filter) = 0;
    // Whether the agent itself subscribes the topic.
    virtual bool subscribes(const std::string& topic) = 0;
    // Freed memory may go back to the system now.
    virtual void releaseMemory() = 0;
    // The agent info the agent retains while it is connected.
    virtual nlohmann::json agentInfo() = 0;
};

class Dispatcher {
public:
    Dispatcher(LocalFactory& registry, const Topics& topics, DispatchLink& link,
               InstanceStatusPublisher& instanceStatus);

    // Requests longer than this are refused unparsed.
    void setRequestLimit(std::size_t bytes) { requestLimit_ = bytes; }

    // One call request: refused, or parsed, called and answered to its
    // sender. `parsed` runs as soon as the payload has been read, so that
    // the connection can let its copy go.
    void call(const ReceivedTopic& topic, const std::string& payload, const std::function<void()>& parsed = {});

    // A client's "__clientInfo__" message: when it says "offline", the
    // instances that the client created are deleted.
    void clientInfo(const std::string& clientId, const std::string& payload);

    // A discovery request ({"sender": ..., "id": ...}): answered to its
    // sender with what the agent retains, by topic, for brokers that hand
    // retained messages only to subscriptions of exactly their topic.
    void discover(const std::string& payload);

private:
    // Whether replies may go to the sender; logs one line why not.
    bool acceptableSender(const std::string& sender, const ReceivedTopic& topic);
    // Answers a request refused before parsing, when its sender can be read.
    void refuseUnparsed(std::string_view payload, const ReceivedTopic& topic, const std::string& why);
    void applyFollowUps(const nlohmann::json& reply);
    void keepTopicsOfDeleted(const ClientTable::Record& record);
    // The filter of all of an instance's call topics; none when the id cannot be a topic level.
    std::optional<std::string> instanceFilter(const std::string& className, const std::string& instanceId,
                                              const char* action);
    void subscribeInstance(const std::string& className, const std::string& instanceId);
    void unsubscribeInstance(const std::string& className, const std::string& instanceId);

    LocalFactory& registry_;
    const Topics topics_;
    DispatchLink& link_;
    InstanceStatusPublisher& instanceStatus_;
    ClientTable clients_;
    std::atomic<std::size_t> requestLimit_{std::size_t(64) << 20};
    // Instances deleted because their client went offline keep their topics,
    // so that a late call learns that the instance is gone; only the latest
    // so many, or they would pile up without bound.
    static constexpr std::size_t kMaxDeletedKept = 1000;
    std::mutex deletedMutex_;
    std::deque<ClientTable::Record> deletedKept_;
};

}  // namespace nolt
