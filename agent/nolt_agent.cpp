#include "agent/nolt_agent.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "agent/broker_uris.h"
#include "agent/client_id.h"
#include "agent/connect_options.h"
#include "agent/event_loop.h"
#include "agent/messages.h"
#include "agent/mqtt_session.h"
#include "agent/sparkplug/node.h"
#include "agent/connect_failure.h"
#include "agent/tls_options.h"
#include "platform/hostname.h"
#include "platform/large_allocations.h"
#include "platform/log.h"

namespace nolt {

namespace {

constexpr std::size_t kHostNameBuffer = 64;
constexpr auto kConnectPoll = std::chrono::milliseconds(100);
// A stop ends within these bounds also while the broker goes away.
constexpr auto kOfflineFlushBound = std::chrono::seconds(2);
constexpr auto kDisconnectQuiesce = std::chrono::milliseconds(500);
constexpr auto kDisconnectBound = std::chrono::seconds(3);

struct Account {
    std::string user;
    std::string password;
};

// A token logs in as "__token__".
Account brokerAccount(const AgentOptions& options) {
    if (!options.token.empty()) return {"__token__", options.token};
    return {options.username, options.password};
}

mqtt::connect_options makeConnectOptions(const AgentOptions& options, const Topics& topics,
                                         const std::string& hostname) {
    if (const auto reason = tlsUnavailable(options)) throw std::runtime_error(*reason);
    mqtt::connect_options connect;
    connect.set_keep_alive_interval(static_cast<int>(options.keepAlive));
    connect.set_clean_session(options.cleanSession);
    connect.set_connect_timeout(static_cast<int>(options.connectTimeout));
    // The agent reconnects on its own (reconnector.h).
    connect.set_automatic_reconnect(false);
    // MQTT 3.1.1 only. By default the library tries 3.1 after a failed 3.1.1
    // connect and then completes that one connect twice, which freed its
    // token twice: the Windows agent crashed so after a broker restart.
    connect.set_mqtt_version(MQTTVERSION_3_1_1);
    const auto account = brokerAccount(options);
    if (!account.user.empty()) connect.set_user_name(account.user);
    if (!account.password.empty()) connect.set_password(account.password);
    // Only for TLS: an MQTT library without TLS refuses any connection that has them.
    // With several brokers the library tries them in order on every connect.
    if (const auto uris = brokerUris(options.broker); uris.size() > 1) {
        connect.set_servers(std::make_shared<mqtt::string_collection>(uris));
    }
    if (usesTls(options.broker)) {
        connect.set_ssl(makeSslOptions(options));
        setTlsFileProblem(tlsFileProblem(options).value_or(""));
    }
    connect.set_will(mqtt::will_options(topics.agentInfo(), agentInfo("offline", hostname).dump(), 1, true));
    return connect;
}

void printOptions(const AgentOptions& options, const std::string& clientId) {
    std::ostringstream out;
    out << "Domain          : " << options.domain << "\n"
        << "Agent           : " << options.agent << "\n"
        << "Client ID       : " << clientId << "\n"
        << "Broker URL      : " << options.broker << "\n";
    if (!options.plugin.empty()) out << "Plugin File     : " << options.plugin << "\n";
    out << "------------------\n";
    if (!options.username.empty()) out << "User Name       : " << options.username << "\n";
    out << "Persistance     : " << options.persistence << "\n"
        << "Clean Session   : " << (options.cleanSession ? 1 : 0) << "\n"
        << "Connect Timeout : " << options.connectTimeout << "\n"
        << "Keep Alive      : " << options.keepAlive << "\n"
        << "Server Auth     : " << (verifiesBroker(options) ? 1 : 0) << "\n";
    if (!options.trustStore.empty()) out << "CA File         : " << options.trustStore << "\n";
    if (!options.keyStore.empty()) out << "Client Cert     : " << options.keyStore << "\n";
    if (!options.privateKey.empty()) out << "Client Key      : " << options.privateKey << "\n";
    out << "Max Request     : " << options.maxRequestBytes << " bytes\n"
        << "Burst Workers   : " << options.burstWorkers << "\n"
        << "Outgoing Queue  : " << describe(OutboxLimits{}) << "\n";
    if (!options.sparkplugGroup.empty()) out << "Sparkplug Group : " << options.sparkplugGroup << "\n";
    platform::logProgress(out.str());
    if (usesTls(options.broker) && !options.serverAuth) {
        platform::logWarning("WARNING: the broker's certificate and host name are not verified (--insecure)");
    }
}

// The same broker account as the main connection.
BulkSettings bulkSettings(const AgentOptions& options) {
    BulkSettings settings;
    settings.clientId = makeBulkClientId(options.domain, options.agent);
    const auto account = brokerAccount(options);
    settings.userName = account.user;
    settings.password = account.password;
    // The keep-alive field holds 16 bits.
    if (options.keepAlive > 0) {
        settings.keepAlive = std::chrono::seconds(std::min<std::uint32_t>(options.keepAlive, 0xffff));
    }
    if (options.connectTimeout > 0) settings.connectTimeout = std::chrono::seconds(options.connectTimeout);
    return settings;
}

std::shared_ptr<mqtt::async_client> makeClient(const AgentOptions& options, const std::string& clientId) {
    if (options.persistence.empty()) {
        return std::make_shared<mqtt::async_client>(brokerUris(options.broker).front(), clientId,
                                                    static_cast<mqtt::iclient_persistence*>(nullptr));
    }
    return std::make_shared<mqtt::async_client>(brokerUris(options.broker).front(), clientId, options.persistence);
}

}  // namespace

class NoltAgent::Impl {
public:
    explicit Impl(const AgentOptions& options)
        : options_(options),
          clientId_(makeClientId(options.domain, options.agent)),
          topics_(options.domain, options.agent),
          hostname_(platform::localHostName(kHostNameBuffer)),
          connectOptions_(makeConnectOptions(options_, topics_, hostname_)) {
        platform::returnLargeAllocationsToSystem();
        client_ = makeClient(options_, clientId_);
        session_ = std::make_shared<MqttSession>(client_, connectOptions_, topics_, options_.broker, hostname_);
        session_->setRequestLimit(static_cast<std::size_t>(options_.maxRequestBytes));
        if (const auto uris = brokerUris(options_.broker);
            std::all_of(uris.begin(), uris.end(), [](const std::string& uri) { return BulkLink::serves(uri); })) {
            session_->useBulkLink(bulkSettings(options_));
        }
        session_->attach();
        if (!options_.sparkplugGroup.empty()) startSparkplugNode();
        EventLoop::instance().setBurstLimit(options_.burstWorkers);
        printOptions(options_, clientId_);
    }

    ~Impl() {
        if (sparkplug_) sparkplug_->stop();
        session_->stopReconnecting();
        try {
            client_->disable_callbacks();
        } catch (...) {
        }
        // The session object, which is also the listener of pending requests,
        // destroys the client while those listeners still exist.
        client_.reset();
    }

    void run() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopped_) return;
            running_ = true;
        }
        if (sparkplug_) sparkplug_->start();
        platform::logProgress("Connecting to the MQTT server... ");
        try {
            session_->startConnect();
        } catch (const mqtt::exception& e) {
            platform::logError("\nERROR: Unable to connect to MQTT server: '" + options_.broker + "'\n\tcause: " +
                               e.what());
            finishRun();
            return;
        }
        if (waitConnected()) runEventLoop();
        disconnect();
        finishRun();
    }

    void setNodeProperty(const std::string& name, const std::string& value) {
        if (sparkplug_) sparkplug_->setProperty(name, value);
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
            changed_.notify_all();
        }
        // Workers waiting for room in the outgoing queue must end too.
        session_->outbox().stopWaiting();
        EventLoop::instance().stop();
    }

private:
    // Polls the connected state; a stop ends the wait.
    bool waitConnected() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopped_) {
            if (client_->is_connected()) return true;
            changed_.wait_for(lock, kConnectPoll);
        }
        return false;
    }

    void runEventLoop() {
        auto& loop = EventLoop::instance();
        asio::signal_set signals(loop.context(), SIGINT, SIGTERM);
        signals.async_wait([this](const asio::error_code& error, int) {
            if (!error) stop();
        });
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopped_) return;
        }
        loop.run();
        signals.cancel();
    }

    void disconnect() {
        session_->stopReconnecting();
        if (!session_->everOnline()) {
            // Stopped before it was ever online: only end the connect attempts.
            try {
                client_->disconnect()->wait_for(std::chrono::seconds(1));
            } catch (const mqtt::exception&) {
            }
            if (sparkplug_) sparkplug_->stop();
            return;
        }
        platform::logProgress("\nDisconnecting from the MQTT server... ");
        // Large replies still on their way go first: what their link cannot
        // deliver in time comes back into the outbox.
        session_->closeBulkLink(kOfflineFlushBound);
        auto& outbox = session_->outbox();
        // The instances end with the agent: their retained status goes first.
        session_->instanceStatus().clearAll();
        // Its devices died with those statuses; now the node itself.
        if (sparkplug_) sparkplug_->stop();
        outbox.publish(topics_.agentInfo(), agentInfo("offline", hostname_).dump(), true);
        // Replies still queued and "offline" go out while the link holds;
        // otherwise the broker announces the last will.
        outbox.flush(kOfflineFlushBound);
        outbox.shutdown();
        bool clean = false;
        try {
            clean = client_->disconnect(static_cast<int>(kDisconnectQuiesce.count()))->wait_for(kDisconnectBound);
        } catch (const mqtt::exception&) {
        }
        if (clean) {
            platform::logInformation("[OK]");
        } else {
            platform::logError("\nERROR: Unable to cleanly disconnect from MQTT server: '" + options_.broker + "'");
        }
    }

    void startSparkplugNode() {
        sparkplug::NodeSettings settings;
        settings.group = options_.sparkplugGroup;
        settings.edgeNode = options_.agent;
        settings.clientId = makeSparkplugClientId(options_.domain, options_.agent);
        settings.brokerUri = options_.broker;
        settings.connectOptions = connectOptions_;
        settings.properties = {{"Host Name", hostname_}};
        sparkplug_ = std::make_shared<sparkplug::Node>(std::move(settings));
        std::weak_ptr<sparkplug::Node> node = sparkplug_;
        session_->instanceStatus().setTap([node](const std::string& instance, const std::string& status) {
            if (auto held = node.lock()) held->machineStatus(instance, status);
        });
    }

    void finishRun() {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
    }

    AgentOptions options_;
    std::string clientId_;
    Topics topics_;
    std::string hostname_;
    mqtt::connect_options connectOptions_;
    std::shared_ptr<mqtt::async_client> client_;
    std::shared_ptr<MqttSession> session_;
    std::shared_ptr<sparkplug::Node> sparkplug_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    bool running_ = false;
};

NoltAgent::NoltAgent(const AgentOptions& options) : impl_(std::make_shared<Impl>(options)) {}

NoltAgent::~NoltAgent() = default;

void NoltAgent::run() { impl_->run(); }

void NoltAgent::stop() { impl_->stop(); }

void NoltAgent::setNodeProperty(const std::string& name, const std::string& value) {
    impl_->setNodeProperty(name, value);
}

}  // namespace nolt

namespace nolt {

mqtt::connect_options agentConnectOptions(const AgentOptions& options) {
    return makeConnectOptions(options, Topics(options.domain, options.agent), platform::localHostName(kHostNameBuffer));
}

}  // namespace nolt
