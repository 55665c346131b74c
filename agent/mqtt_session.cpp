#include "agent/mqtt_session.h"

#include <chrono>
#include <optional>
#include <thread>

#include "agent/connect_failure.h"
#include "agent/event_loop.h"
#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "agent/message_text.h"
#include "agent/messages.h"
#include "agent/request_parser.h"
#include "agent/request_scan.h"
#include "agent/sparkplug/metrics.h"
#include "agent/topic_rules.h"
#include "platform/process_exit.h"
#include "platform/broker_socket.h"
#include "platform/log.h"

namespace nolt {

namespace {
constexpr int kQos = 1;
// From this size on, a request is big enough for its copies to count.
constexpr std::size_t kLargeRequest = 256 * 1024;

// The MQTT library frees its own copy of a payload only after the callback
// has returned, and holds ours until then. A worker that parses a large
// request at once can so stand three copies of it beside the parsed text, a
// megabyte request then peaking at over 3.5 times its size. The library
// gives no notice of letting go, hence the poll; it takes microseconds, more
// when its thread was preempted, and never more than the bound.
void awaitLibraryRelease(const mqtt::const_message_ptr& message) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (message.use_count() > 1 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}
}  // namespace

// Passed while the client may be used; false once the session is closing.
class MqttSession::Entry {
public:
    explicit Entry(MqttSession& session) : session_(session) {
        std::lock_guard<std::mutex> lock(session_.connectingMutex_);
        open_ = !session_.closing_;
        if (open_) ++session_.inside_;
    }
    ~Entry() {
        if (!open_) return;
        std::lock_guard<std::mutex> lock(session_.connectingMutex_);
        if (--session_.inside_ == 0) session_.nobodyInside_.notify_all();
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    explicit operator bool() const { return open_; }

private:
    MqttSession& session_;
    bool open_ = false;
};

void ActionListener::on_failure(const mqtt::token& token) {
    std::string text = name_ + " failure\n";
    if (token.get_message_id() != 0) text += "message_id: " + std::to_string(token.get_message_id()) + "\n";
    platform::logNotice(text);
}

MqttSession::MqttSession(std::shared_ptr<mqtt::async_client> client, mqtt::connect_options options,
                           const Topics& topics, std::string brokerUri, std::string hostname)
    : client_(std::move(client)),
      options_(std::move(options)),
      topics_(topics),
      brokerUri_(std::move(brokerUri)),
      hostname_(std::move(hostname)),
      outbox_(std::make_shared<Outbox>(client_)),
      reconnector_(kReconnectPause, [this] { attemptReconnect(); }) {
    for (const auto& topic : staticTopics(LocalFactory::instance(), topics_)) subscriptions_.add(topic, kQos);
    // Machine presence goes through the outbox too, in order with the replies.
    auto outbox = outbox_;
    instanceStatus_ = std::make_unique<InstanceStatusPublisher>(
        topics_, [outbox](const std::string& topic, const std::string& payload) {
            outbox->publish(topic, payload, true);
        });
}

void MqttSession::attach() {
    auto outbox = outbox_;
    setEventPublisher([outbox](const nlohmann::json& message) {
        outbox->publish(message["sender"].get<std::string>(), message.dump(), false);
    });
    client_->set_callback(*this);
}

template <typename Step>
void MqttSession::tryStep(Step&& step) {
    try {
        step();
    } catch (const mqtt::exception& e) {
        platform::logError(std::string("Error: ") + e.what());
    }
}

MqttSession::~MqttSession() {
    stopReconnecting();
    instanceStatus_->stop();
    setEventPublisher(nullptr);
    outbox_->shutdown();
    {
        std::unique_lock<std::mutex> lock(connectingMutex_);
        closing_ = true;
        nobodyInside_.wait(lock, [&] { return inside_ == 0; });
    }
    // Destroying the client fails the requests it still holds into their
    // listeners, this object among them: it must go while they are alive.
    client_.reset();
}

void MqttSession::startConnect() { client_->connect(options_, nullptr, *this); }

void MqttSession::connected(const std::string&) {
    const Entry entry(*this);
    if (!entry) return;
    platform::logInformation("[OK]");
    // Replies must not wait for delayed ACKs, and large ones must leave at
    // wire speed (broker_socket.h). The broker's name is looked up on a
    // worker, since this thread delivers everything of the MQTT library and
    // must not wait.
    EventLoop::instance().post([uri = brokerUri_] { platform::tuneBrokerSockets(platform::lookUpBroker(uri)); });
    subscribeAll(++link_);
}

void MqttSession::subscribeAll(std::uint64_t link) {
    // The library (Paho C++ 1.2 on Paho C 1.3.12) answers a request of
    // several topics with result codes read from memory it has freed, but a
    // request of one topic reliably; on Windows that read crashed the agent
    // after a broker restart, in one of about ten. So every topic goes in a
    // request of its own. The static topics, the few without which nobody
    // reaches the agent, decide whether the agent goes online.
    std::vector<std::string> needed;
    std::vector<std::pair<std::string, int>> rest;
    for (const auto& [topic, qos] : subscriptions_.snapshot()) {
        const auto received = classifyTopic(topic);
        if (received.kind == ReceivedTopic::Call && received.instance == kStaticLevel) {
            needed.push_back(topic);
        } else {
            rest.emplace_back(topic, qos);
        }
    }
    {
        std::lock_guard<std::mutex> lock(connectingMutex_);
        connecting_ = {link, needed.size(), false};
    }
    try {
        for (const auto& topic : needed) {
            client_->subscribe(topic, kQos, reinterpret_cast<void*>(static_cast<std::uintptr_t>(link)),
                               neededSubscription_);
        }
        for (const auto& [topic, qos] : rest) client_->subscribe(topic, qos, nullptr, subscribeListener_);
    } catch (const mqtt::exception& e) {
        return dropLink(link, subscriptionFailureText(e.get_return_code()));
    }
    if (needed.empty()) goOnline();
}

void MqttSession::neededSubscriptionAnswered(const mqtt::token& token) {
    const auto link = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(token.get_user_context()));
    const auto topics = token.get_topics();
    const int code = token.get_return_code();
    // The library fails a request of one topic that the broker refused with
    // that topic's SUBACK code.
    const bool refused = code == MQTT_BAD_SUBSCRIBE;
    const bool taken = code == MQTTASYNC_SUCCESS;
    const Entry entry(*this);
    if (!entry) return;
    // An answer on a connection that is gone: its loss has its own way back.
    if (!taken && !refused && !client_->is_connected()) return;
    {
        std::lock_guard<std::mutex> lock(connectingMutex_);
        if (link != link_ || link != connecting_.link || connecting_.decided) return;
        if (taken && --connecting_.pending != 0) return;
        connecting_.decided = true;
    }
    if (taken) return goOnline();
    dropLink(link, refused && topics && !topics->empty() ? subscriptionRefusalText((*topics)[0])
                                                         : subscriptionFailureText(code));
}

void MqttSession::goOnline() {
    tryStep([&] { publish(topics_.agentInfo(), agentInfo("online", hostname_).dump(), true); });
    for (const auto& className : LocalFactory::instance().classNames()) {
        tryStep([&] { publishClassInfo(className); });
    }
    // Replies and events kept while the link was down go out now, in order.
    outbox_->linkUp();
    instanceStatus_->republishAll();
    everOnline_ = true;
}

void MqttSession::dropLink(std::uint64_t link, const std::string& why) {
    platform::logWarning(why);
    if (!link_.compare_exchange_strong(link, link + 1)) return;
    try {
        client_->disconnect(0, nullptr, linkDropped_);
    } catch (const mqtt::exception&) {
        reconnect();  // already gone
    }
}

void MqttSession::connection_lost(const std::string& cause) {
    platform::logNotice("\nConnection lost\n" + (cause.empty() ? "" : "\tcause: " + cause + "\n") + "Reconnecting...");
    ++link_;
    outbox_->linkDown();
    reconnect();
}

void MqttSession::on_failure(const mqtt::token& token) {
    platform::logError(connectFailureText(token));
    reconnect();
}

void MqttSession::reconnect() { reconnector_.request(); }

void MqttSession::attemptReconnect() {
    try {
        startConnect();
    } catch (const mqtt::exception& e) {
        platform::logError(std::string("Error: ") + e.what());
        platform::exitProcess(1);
    }
}

void MqttSession::stopReconnecting() { reconnector_.stop(); }

void MqttSession::message_arrived(mqtt::const_message_ptr message) {
    auto topic = classifyTopic(message->get_topic());
    switch (topic.kind) {
        case ReceivedTopic::ClientInfo: {
            // On a worker, not on the MQTT library's thread: deleting a session
            // disconnects it and joins its threads, which may be publishing
            // through the library that this thread holds while it delivers.
            std::weak_ptr<MqttSession> self = shared_from_this();
            EventLoop::instance().post([self, clientId = topic.clientId, payload = message->get_payload_str()] {
                auto mqttSession = self.lock();
                if (!mqttSession) return;
                try {
                    mqttSession->clientInfo(clientId, payload);
                } catch (const std::exception& e) {
                    platform::logError(e.what());
                }
            });
            break;
        }
        case ReceivedTopic::Call: {
            // The instance's filter brings back the agent's own retained status.
            if (topic.instance != kStaticLevel && isStatusLevel(topic.className, topic.function)) return;
            std::weak_ptr<MqttSession> self = shared_from_this();
            ++pendingRequests_;
            auto task = [self, topic, message]() mutable {
                auto mqttSession = self.lock();
                if (!mqttSession) return;
                struct Handled {
                    MqttSession& session;
                    ~Handled() { session.requestHandled(); }
                } handled{*mqttSession};
                mqttSession->callTask(topic, std::move(message));
            };
            // An instance with a queue of its own takes its calls one at a
            // time: a flood of calls to a hung machine then waits there and
            // holds none of the workers that the other machines need. A call
            // that waits too long runs anyway, to answer that it found the
            // machine busy. Its quick functions answer at once, beside it.
            auto queue = topic.instance == kStaticLevel
                             ? nullptr
                             : LocalFactory::instance().callQueueOf(topic.instance, topic.function);
            if (queue) {
                queue->post(task, task);
            } else {
                EventLoop::instance().post(std::move(task));
            }
            break;
        }
        case ReceivedTopic::Invalid:
            platform::logWarning("Received message with invalid topic URI");
            break;
    }
}

void MqttSession::requestHandled() {
    const std::size_t handled = ++handledSinceRelease_;
    if (--pendingRequests_ != 0 || handled < kReleaseAfterRequests) return;
    if (handledSinceRelease_.exchange(0) >= kReleaseAfterRequests) memoryRelease_.request();
}

void MqttSession::callTask(const ReceivedTopic& topic, mqtt::const_message_ptr message) {
    const std::string& payload = message->get_payload();
    if (payload.size() >= kLargeRequest) awaitLibraryRelease(message);
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
    message.reset();
    const std::string sender = request["sender"].get<std::string>();
    if (!acceptableSender(sender, topic)) return;
    prepareRequest(request, topic);
    std::optional<std::string> refusal;
    if (topic.instance == kStaticLevel && topic.function == "__create__")
        refusal = clients_.refusalOfNewInstance(sender);
    if (refusal) {
        request["data"] = {{"e", *refusal}};
    } else {
        LocalFactory::instance().call(request);
    }
    applyFollowUps(request);
    publish(sender, serializeMessage(std::move(request)), false);
}

bool MqttSession::acceptableSender(const std::string& sender, const ReceivedTopic& topic) {
    const char* why = nullptr;
    std::string problem;
    if (auto found = topicNameProblem(sender)) {
        problem = *found;
        why = "its sender cannot be a topic: ";
    } else if (sender == topics_.prefix() || sender.starts_with(topics_.prefix() + "/") ||
               subscriptions_.contains(sender)) {
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

void MqttSession::refuseUnparsed(std::string_view payload, const ReceivedTopic& topic, const std::string& why) {
    // What the MQTT library allocated for it goes back once it is gone.
    memoryRelease_.request();
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
    publish(*sender, reply.dump(), false);
}

void MqttSession::applyFollowUps(const nlohmann::json& reply) {
    auto& factory = LocalFactory::instance();
    for (const auto& step : followUps(reply)) {
        switch (step.kind) {
            case FollowUp::SubscribeInstance:
                subscribeInstance(step.className, step.instanceId);
                instanceStatus_->attach(step.className, step.instanceId, factory.isNamed(step.instanceId),
                                        factory.instanceOf(step.instanceId));
                break;
            case FollowUp::UnsubscribeInstance:
                unsubscribeInstance(step.className, step.instanceId);
                instanceStatus_->remove(step.className, step.instanceId);
                memoryRelease_.request();
                break;
            case FollowUp::PublishClassInfo:
                // Published again on the next connect when the link is down now.
                tryStep([&] { publishClassInfo(step.className); });
                break;
            case FollowUp::RecordInstance:
                if (clients_.record(step.clientId, {step.instanceId, step.className})) {
                    subscribe(clientInfoTopic(step.clientId));
                }
                break;
            case FollowUp::ForgetInstance: {
                // Whoever deleted it: the record goes from the client that created it.
                std::string owner;
                if (clients_.forget(step.instanceId, owner)) unsubscribe(clientInfoTopic(owner));
                break;
            }
        }
    }
}

void MqttSession::clientInfo(const std::string& clientId, const std::string& payload) {
    auto info = nlohmann::json::parse(payload);
    if (info["status"].get<std::string>() != "offline") return;
    std::vector<ClientTable::Record> records;
    if (!clients_.takeRecords(clientId, records)) return;
    for (const auto& record : records) {
        nlohmann::json request = {{"context", record.className},
                                  {"method", "__delete__"},
                                  {"data", {{"_1", record.instanceId}}}};
        LocalFactory::instance().call(request);
        instanceStatus_->remove(record.className, record.instanceId);
        keepTopicsOfDeleted(record);
    }
    if (!records.empty()) memoryRelease_.request();
    unsubscribe(clientInfoTopic(clientId));
}

void MqttSession::keepTopicsOfDeleted(const ClientTable::Record& record) {
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

std::optional<std::string> MqttSession::instanceFilter(const std::string& className, const std::string& instanceId,
                                                       const char* action) {
    // Checked as one of its topics would be: the id must not bring wildcards of its own.
    if (!brokerAccepts(topics_.instanceFunction(className, instanceId, "f"), action)) return std::nullopt;
    return topics_.instanceFunction(className, instanceId, "+");
}

void MqttSession::subscribeInstance(const std::string& className, const std::string& instanceId) {
    // One filter for all of the instance's functions: a topic each, a
    // thousand creates at once would be some eighty thousand subscriptions,
    // more than the MQTT library can have in flight. A call to a function
    // the class lacks is answered that it cannot be found.
    const auto filter = instanceFilter(className, instanceId, "subscribed");
    if (!filter) return;
    subscriptions_.add(*filter, kQos);
    tryStep([&] { client_->subscribe(*filter, kQos, nullptr, subscribeListener_); });
}

void MqttSession::unsubscribeInstance(const std::string& className, const std::string& instanceId) {
    const auto filter = instanceFilter(className, instanceId, "unsubscribed");
    if (!filter) return;
    subscriptions_.remove(*filter);
    tryStep([&] { client_->unsubscribe(*filter, nullptr, subscribeListener_); });
}

void MqttSession::publishClassInfo(const std::string& className) {
    publish(topics_.classInfo(className), classInfo(LocalFactory::instance(), className).dump(), true);
}

void MqttSession::subscribe(const std::string& topic) {
    // Sent again on every reconnect: a bad topic would cost the connection each time.
    if (!brokerAccepts(topic, "subscribed")) return;
    // Kept in the table even when the link is down: subscribed on the next connect.
    subscriptions_.add(topic, kQos);
    tryStep([&] { client_->subscribe(topic, kQos, nullptr, subscribeListener_); });
}

void MqttSession::unsubscribe(const std::string& topic) {
    // "__delete__" of an id that named nothing still unsubscribes its topics.
    if (!brokerAccepts(topic, "unsubscribed")) return;
    subscriptions_.remove(topic);
    tryStep([&] { client_->unsubscribe(topic, nullptr, subscribeListener_); });
}

bool MqttSession::brokerAccepts(const std::string& topic, const char* action) {
    auto problem = topicNameProblem(topic);
    if (problem) platform::logWarning(std::string("Not ") + action + ", the topic is invalid: " + *problem);
    return !problem;
}

void MqttSession::publish(const std::string& topic, std::string payload, bool retained) {
    outbox_->publish(topic, std::move(payload), retained);
}

}  // namespace nolt
