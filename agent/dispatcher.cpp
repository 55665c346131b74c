#include "agent/dispatcher.h"

#include "agent/local_factory.h"
#include "agent/message_text.h"
#include "agent/messages.h"
#include "agent/request_parser.h"
#include "agent/request_scan.h"
#include "agent/sparkplug/metrics.h"
#include "agent/topic_rules.h"
#include "platform/log.h"

namespace nolt {
namespace {

// A topic built from client input that would cost the connection (on every
// reconnect) is logged and left out.
bool brokerAccepts(const std::string& topic, const char* action) {
    auto problem = topicNameProblem(topic);
    if (problem) platform::logWarning(std::string("Not ") + action + ", the topic is invalid: " + *problem);
    return !problem;
}

}  // namespace

Dispatcher::Dispatcher(LocalFactory& registry, const Topics& topics, DispatchLink& link,
                       InstanceStatusPublisher& instanceStatus)
    : registry_(registry), topics_(topics), link_(link), instanceStatus_(instanceStatus) {}

void Dispatcher::call(const ReceivedTopic& topic, const std::string& payload, const std::function<void()>& parsed) {
    if (payload.size() > requestLimit_) {
        refuseUnparsed(payload, topic,
                       "Request of " + std::to_string(payload.size()) + " bytes refused: the limit is " +
                           std::to_string(requestLimit_) + " bytes");
        return;
    }
    if (scanRequest(payload).depth > kMaxRequestDepth) {
        refuseUnparsed(payload, topic,
                       "Request refused: nested deeper than " + std::to_string(kMaxRequestDepth) + " levels");
        return;
    }
    auto request = parseRequest(payload);
    if (parsed) parsed();
    const std::string sender = request["sender"].get<std::string>();
    if (!acceptableSender(sender, topic)) return;
    prepareRequest(request, topic);
    std::optional<std::string> refusal;
    if (topic.instance == kStaticLevel && topic.function == "__create__")
        refusal = clients_.refusalOfNewInstance(sender);
    if (refusal) {
        request["data"] = {{"e", *refusal}};
    } else {
        registry_.call(request);
    }
    applyFollowUps(request);
    link_.publish(sender, serializeMessage(std::move(request)), false);
}

bool Dispatcher::acceptableSender(const std::string& sender, const ReceivedTopic& topic) {
    const char* why = nullptr;
    std::string problem;
    if (auto found = topicNameProblem(sender)) {
        problem = *found;
        why = "its sender cannot be a topic: ";
    } else if (sender == topics_.prefix() || sender.starts_with(topics_.prefix() + "/") ||
               link_.subscribes(sender)) {
        // A reply there would come back to the agent as a request, or speak
        // for the agent on its status topics, which watchers trust.
        why = "its sender is a topic of the agent itself";
    } else if (sender.starts_with(std::string(sparkplug::kNamespace) + "/")) {
        // JSON among Sparkplug B payloads would break every host that reads them.
        why = "its sender is a Sparkplug B topic";
    }
    if (why) platform::logWarning("Dropped a request to " + topic.function + ": " + why + problem);
    return why == nullptr;
}

void Dispatcher::refuseUnparsed(std::string_view payload, const ReceivedTopic& topic, const std::string& why) {
    // What the MQTT library allocated for it goes back once it is gone.
    link_.releaseMemory();
    const RequestScan scan = scanRequest(payload);
    const auto sender = scannedSender(scan);
    if (!sender) {
        platform::logWarning(why + "; no sender to answer");
        return;
    }
    if (!acceptableSender(*sender, topic)) return;
    nlohmann::json reply = {{"sender", *sender}, {"data", {{"e", why}}}};
    if (!scan.id.empty()) reply["id"] = scannedId(scan);
    prepareRequest(reply, topic);
    link_.publish(*sender, reply.dump(), false);
}

void Dispatcher::applyFollowUps(const nlohmann::json& reply) {
    auto& factory = registry_;
    for (const auto& step : followUps(reply)) {
        switch (step.kind) {
            case FollowUp::SubscribeInstance:
                subscribeInstance(step.className, step.instanceId);
                instanceStatus_.attach(step.className, step.instanceId, factory.isNamed(step.instanceId),
                                        factory.instanceOf(step.instanceId));
                break;
            case FollowUp::UnsubscribeInstance:
                unsubscribeInstance(step.className, step.instanceId);
                instanceStatus_.remove(step.className, step.instanceId);
                link_.releaseMemory();
                break;
            case FollowUp::PublishClassInfo:
                // Published again on the next connect when the link is down now.
                link_.publish(topics_.classInfo(step.className), classInfo(factory, step.className).dump(), true);
                break;
            case FollowUp::RecordInstance:
                if (clients_.record(step.clientId, {step.instanceId, step.className}) &&
                    brokerAccepts(clientInfoTopic(step.clientId), "subscribed")) {
                    link_.subscribe(clientInfoTopic(step.clientId));
                }
                break;
            case FollowUp::ForgetInstance: {
                // Whoever deleted it: the record goes from the client that created it.
                std::string owner;
                if (clients_.forget(step.instanceId, owner) && brokerAccepts(clientInfoTopic(owner), "unsubscribed"))
                    link_.unsubscribe(clientInfoTopic(owner));
                break;
            }
        }
    }
}

void Dispatcher::clientInfo(const std::string& clientId, const std::string& payload) {
    auto info = nlohmann::json::parse(payload);
    if (info["status"].get<std::string>() != "offline") return;
    std::vector<ClientTable::Record> records;
    if (!clients_.takeRecords(clientId, records)) return;
    for (const auto& record : records) {
        nlohmann::json request = {{"context", record.className},
                                  {"method", "__delete__"},
                                  {"data", {{"_1", record.instanceId}}}};
        registry_.call(request);
        instanceStatus_.remove(record.className, record.instanceId);
        keepTopicsOfDeleted(record);
    }
    if (!records.empty()) link_.releaseMemory();
    if (brokerAccepts(clientInfoTopic(clientId), "unsubscribed")) link_.unsubscribe(clientInfoTopic(clientId));
}

void Dispatcher::keepTopicsOfDeleted(const ClientTable::Record& record) {
    std::optional<ClientTable::Record> oldest;
    {
        std::lock_guard<std::mutex> lock(deletedMutex_);
        deletedKept_.push_back(record);
        if (deletedKept_.size() <= kMaxDeletedKept) return;
        oldest = std::move(deletedKept_.front());
        deletedKept_.pop_front();
    }
    // An id of 64 random bits is not given again while its topics are kept.
    unsubscribeInstance(oldest->className, oldest->instanceId);
}

std::optional<std::string> Dispatcher::instanceFilter(const std::string& className, const std::string& instanceId,
                                                       const char* action) {
    // Checked as one of its topics would be: the id must not bring wildcards of its own.
    if (!brokerAccepts(topics_.instanceFunction(className, instanceId, "f"), action)) return std::nullopt;
    return topics_.instanceFunction(className, instanceId, "+");
}

void Dispatcher::subscribeInstance(const std::string& className, const std::string& instanceId) {
    // One filter for all of the instance's functions: a topic each, a
    // thousand creates at once would be some eighty thousand subscriptions,
    // more than the MQTT library can have in flight. A call to a function
    // the class lacks is answered that it cannot be found.
    const auto filter = instanceFilter(className, instanceId, "subscribed");
    if (!filter) return;
    link_.subscribe(*filter);
}

void Dispatcher::unsubscribeInstance(const std::string& className, const std::string& instanceId) {
    const auto filter = instanceFilter(className, instanceId, "unsubscribed");
    if (!filter) return;
    link_.unsubscribe(*filter);
}

void Dispatcher::discover(const std::string& payload) {
    const auto request = nlohmann::json::parse(payload, nullptr, false);
    const auto sender = request.is_object() ? request.find("sender") : request.end();
    if (!request.is_object() || sender == request.end() || !sender->is_string()) {
        platform::logWarning("Dropped a discovery request: it names no sender");
        return;
    }
    ReceivedTopic topic;
    topic.function = kDiscoveryLevel;
    if (!acceptableSender(sender->get<std::string>(), topic)) return;
    nlohmann::json retained = {{topics_.agentInfo(), link_.agentInfo()}};
    for (const auto& className : registry_.classNames()) {
        retained[topics_.classInfo(className)] = classInfo(registry_, className);
    }
    for (const auto& [statusTopic, status] : instanceStatus_.latest()) {
        retained[statusTopic] = nlohmann::json::parse(status, nullptr, false);
    }
    nlohmann::json answer = {{"agent", topics_.prefix()}, {"retained", std::move(retained)}};
    if (const auto id = request.find("id"); id != request.end()) answer["id"] = *id;
    link_.publish(sender->get<std::string>(), answer.dump(), false);
}

}  // namespace nolt
