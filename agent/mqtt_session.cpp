#include "agent/mqtt_session.h"

#include <chrono>
#include <optional>
#include <thread>

#include "agent/connect_failure.h"
#include "agent/event_loop.h"
#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "agent/messages.h"
#include "platform/process_exit.h"
#include "platform/broker_socket.h"
#include "platform/log.h"

namespace nolt {

namespace {
constexpr int kQos = 1;
// From this size on, a request is big enough for its copies to count, and
// a reply goes through the link for large replies.
constexpr std::size_t kLargeMessage = 256 * 1024;

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
        std::lock_guard<std::mutex> lock(session_.gateMutex_);
        open_ = !session_.closing_;
        if (open_) ++session_.inside_;
    }
    ~Entry() {
        if (!open_) return;
        std::lock_guard<std::mutex> lock(session_.gateMutex_);
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
      broker_(brokerUri),
      hostname_(std::move(hostname)),
      outbox_(std::make_shared<Outbox>(client_)),
      reconnector_(kReconnectPause, [this] { attemptReconnect(); }) {
    for (const auto& topic : staticTopics(LocalFactory::instance(), topics_)) subscriptions_.add(topic, kQos);
    subscriptions_.add(topics_.discovery(), kQos);
    subscriptions_.add(kDiscoveryLevel, kQos);
    // Machine presence goes through the outbox too, in order with the replies.
    auto outbox = outbox_;
    instanceStatus_ = std::make_unique<InstanceStatusPublisher>(
        topics_, [outbox](const std::string& topic, const std::string& payload) {
            outbox->publish(topic, payload, true);
        });
    dispatcher_ = std::make_unique<Dispatcher>(LocalFactory::instance(), topics_, *this, *instanceStatus_);
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
    if (bulk_) bulk_->stop();
    outbox_->shutdown();
    {
        std::unique_lock<std::mutex> lock(gateMutex_);
        closing_ = true;
        nobodyInside_.wait(lock, [&] { return inside_ == 0; });
    }
    // Destroying the client fails the requests it still holds into their
    // listeners, this object among them: it must go while they are alive.
    client_.reset();
}

void MqttSession::startConnect() {
    if (!broker_.several()) {
        client_->connect(options_, nullptr, *this);
        return;
    }
    // A list of one names the broker of this attempt.
    auto options = options_;
    options.set_servers(std::make_shared<mqtt::string_collection>(broker_.attempt()));
    client_->connect(options, nullptr, *this);
}

void MqttSession::connected(const std::string&) {
    const Entry entry(*this);
    if (!entry) return;
    broker_.connected();
    platform::logInformation("[OK]");
    // Replies must not wait for delayed ACKs, and large ones must leave at
    // wire speed (broker_socket.h). The broker's name is looked up on a
    // worker, since this thread delivers everything of the MQTT library and
    // must not wait.
    EventLoop::instance().post([uri = broker_.current()] { platform::tuneBrokerSockets(platform::lookUpBroker(uri)); });
    if (bulk_) bulk_->follow(broker_.current());
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

nlohmann::json MqttSession::agentInfo() { return nolt::agentInfo("online", hostname_); }

void MqttSession::goOnline() {
    tryStep([&] { publish(topics_.agentInfo(), agentInfo().dump(), true); });
    for (const auto& className : LocalFactory::instance().classNames()) {
        tryStep([&] { publishClassInfo(className); });
    }
    // Replies and events kept while the link was down go out now, in order.
    outbox_->linkUp(broker_.current());
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
    if (!broker_.several()) return reconnect();
    broker_.lost();
    reconnector_.requestAfter(kSwitchPause);
}

void MqttSession::on_failure(const mqtt::token& token) {
    platform::logError(connectFailureText(token));
    // The next broker of the list at once; after the last, the pause.
    if (broker_.failed()) return reconnector_.requestAfter(kSwitchPause);
    reconnect();
}

void MqttSession::reconnect() { reconnector_.request(); }

void MqttSession::attemptReconnect() {
    try {
        startConnect();
    } catch (const mqtt::exception& e) {
        // Still winding up the connection before: a moment later it takes the connect.
        if (e.get_return_code() == MQTTASYNC_COMMAND_IGNORED) return reconnector_.requestAfter(kSwitchPause);
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
                    mqttSession->dispatcher_->clientInfo(clientId, payload);
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
        case ReceivedTopic::Discovery: {
            std::weak_ptr<MqttSession> self = shared_from_this();
            EventLoop::instance().post([self, payload = message->get_payload_str()] {
                if (auto mqttSession = self.lock()) mqttSession->dispatcher_->discover(payload);
            });
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
    if (payload.size() >= kLargeMessage) awaitLibraryRelease(message);
    dispatcher_->call(topic, payload, [&] { message.reset(); });
}

void MqttSession::publishClassInfo(const std::string& className) {
    publish(topics_.classInfo(className), classInfo(LocalFactory::instance(), className).dump(), true);
}

void MqttSession::subscribe(const std::string& topic) {
    // Kept in the table even when the link is down: subscribed on the next connect.
    subscriptions_.add(topic, kQos);
    tryStep([&] { client_->subscribe(topic, kQos, nullptr, subscribeListener_); });
}

void MqttSession::unsubscribe(const std::string& topic) {
    subscriptions_.remove(topic);
    tryStep([&] { client_->unsubscribe(topic, nullptr, subscribeListener_); });
}

void MqttSession::publish(const std::string& topic, std::string payload, bool retained) {
    if (!retained && bulk_ && payload.size() >= kLargeMessage && bulk_->publish(topic, payload)) return;
    outbox_->publish(topic, std::move(payload), retained);
}

void MqttSession::useBulkLink(BulkSettings settings) {
    auto outbox = outbox_;
    bulk_ = std::make_unique<BulkLink>(
        std::move(settings), [outbox](const std::string& topic, std::string payload, const std::string& sentTo) {
            outbox->handBack(topic, std::move(payload), sentTo);
        });
}

void MqttSession::closeBulkLink(std::chrono::milliseconds bound) {
    if (!bulk_) return;
    bulk_->flush(bound);
    bulk_->stop();
}

}  // namespace nolt
