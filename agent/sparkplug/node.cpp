#include "agent/sparkplug/node.h"

#include <stdexcept>

#include "agent/broker_uris.h"
#include "agent/sparkplug/payload.h"
#include "platform/log.h"

namespace nolt::sparkplug {
namespace {

constexpr auto kStopFlushBound = std::chrono::seconds(2);
constexpr auto kDisconnectBound = std::chrono::seconds(3);
constexpr std::size_t kMaxInFlight = 64;
constexpr auto kFlowBound = std::chrono::seconds(10);

// NDEATH carries the bdSeq of its connection and no sequence number.
std::string deathCertificate(std::uint64_t bdSeq) {
    return encodePayload({{kBdSeq, DataType::UInt64, bdSeq}}, std::nullopt);
}

void requireId(const std::string& what, const std::string& id) {
    if (id.empty() || id.find_first_of("/+#") != std::string::npos) {
        throw std::invalid_argument("--sparkplug: the " + what + " \"" + id +
                                    "\" is not a Sparkplug id (not empty, no '/', '+' or '#')");
    }
}

}  // namespace

void Node::ConnectListener::on_failure(const mqtt::token&) {
    platform::logError("Sparkplug B: connection failed");
    node_.reconnector_.request();
}

Node::Node(NodeSettings settings)
    : settings_(std::move(settings)),
      commandTopic_(topic(settings_.group, "NCMD", settings_.edgeNode)),
      deviceCommandTopic_(topic(settings_.group, "DCMD", settings_.edgeNode, "+")),
      deathTopic_(topic(settings_.group, "NDEATH", settings_.edgeNode)),
      properties_(settings_.properties),
      reconnector_(kReconnectPause, [this] { attemptConnect(); }),
      client_(brokerUris(settings_.brokerUri).front(), settings_.clientId, static_cast<mqtt::iclient_persistence*>(nullptr)) {
    if (!payloadsAvailable()) encodePayload({}, std::nullopt);  // throws the reason
    requireId("group", settings_.group);
    requireId("edge node (the agent name)", settings_.edgeNode);
    client_.set_callback(*this);
}

Node::~Node() {
    stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    try {
        client_.disable_callbacks();
    } catch (...) {
    }
}

void Node::setProperty(const std::string& name, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    properties_[name] = value;
}

void Node::start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable() || stopping_) return;
        thread_ = std::thread([this] { publishLoop(); });
    }
    attemptConnect();
}

void Node::attemptConnect() {
    mqtt::connect_options options = settings_.connectOptions;
    std::uint64_t bdSeq = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        // Each connection's death certificate carries a number of its own,
        // which its birth repeats, so that a host can tell them apart.
        bdSeq = bdSeq_ = nextBdSeq_;
        nextBdSeq_ = (nextBdSeq_ + 1) % 256;
    }
    const std::string death = deathCertificate(bdSeq);
    options.set_will(mqtt::will_options(deathTopic_, death, 1, false));
    options.set_automatic_reconnect(false);
    try {
        client_.connect(options, nullptr, connectListener_);
    } catch (const mqtt::exception& e) {
        platform::logError(std::string("Sparkplug B: cannot connect: ") + e.what());
        reconnector_.request();
    }
}

void Node::connected(const std::string&) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_) return;
    }
    try {
        client_.subscribe(commandTopic_, 0);
        client_.subscribe(deviceCommandTopic_, 0);
    } catch (const mqtt::exception& e) {
        platform::logError(std::string("Sparkplug B: cannot subscribe the command topics: ") + e.what());
    }
    std::lock_guard<std::mutex> lock(mutex_);
    online_ = true;
    birthWanted_ = true;
    changed_.notify_all();
}

void Node::connection_lost(const std::string&) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_ || stopping_) return;
        online_ = false;
        for (auto& [id, device] : devices_) device.born = false;
    }
    platform::logWarning("Sparkplug B: connection lost; reconnecting");
    reconnector_.request();
}

void Node::message_arrived(mqtt::const_message_ptr message) {
    const std::string& topicName = message->get_topic();
    if (topicName != commandTopic_) {
        const std::string device = topicName.substr(topicName.rfind('/') + 1);
        return refuse("DCMD to device " + device + ": this agent writes nothing to a machine through Sparkplug");
    }
    const auto metrics = decodePayload(message->get_payload_str());
    if (!metrics) return refuse("NCMD that is not a Sparkplug B payload");
    for (const auto& metric : *metrics) {
        const auto* flag = std::get_if<bool>(&metric.value);
        if (metric.name == kRebirth && flag && *flag) {
            std::lock_guard<std::mutex> lock(mutex_);
            birthWanted_ = true;
            changed_.notify_all();
        } else {
            refuse("NCMD metric \"" + metric.name + "\": only \"" + kRebirth + "\" = true is honoured");
        }
    }
}

void Node::refuse(const std::string& what) { platform::logWarning("Sparkplug B: refused " + what); }

void Node::machineStatus(const std::string& instance, const std::string& summary) {
    Metrics metrics;
    if (!summary.empty()) {
        auto status = nlohmann::json::parse(summary, nullptr, false);
        if (status.is_discarded() || !status.is_object()) return;
        metrics = deviceMetrics(status);
    }
    const std::string id = cleanId(instance);
    std::lock_guard<std::mutex> lock(mutex_);
    if (summary.empty()) {
        auto it = devices_.find(id);
        if (it == devices_.end()) return;
        it->second.gone = true;
    } else {
        Device& device = devices_[id];
        device.current = std::move(metrics);
        device.gone = false;
    }
    dirty_.insert(id);
    changed_.notify_all();
}

Metrics Node::nodeMetrics() const {
    Metrics metrics{{kBdSeq, DataType::UInt64, bdSeq_}, {kRebirth, DataType::Boolean, false}};
    for (const auto& [name, value] : properties_) metrics.push_back({"Properties/" + name, DataType::String, value});
    metrics.push_back({kMachines, DataType::Int32, std::uint64_t{devices_.size()}});
    return metrics;
}

void Node::send(std::unique_lock<std::mutex>& lock, const std::string& type, const std::string& device,
                const Metrics& metrics) {
    // NBIRTH starts the numbers at 0; every later message counts on, to 255 and round.
    if (type == "NBIRTH") seq_ = 0;
    const std::string payload = encodePayload(metrics, seq_);
    seq_ = (seq_ + 1) % 256;
    const std::string name = topic(settings_.group, type, settings_.edgeNode, device);
    lock.unlock();
    try {
        // The library holds only so many messages not yet written (100): a
        // birth of many devices waits for the oldest instead of losing some.
        inFlight_.push_back(client_.publish(name, payload.data(), payload.size(), 0, false));
        if (inFlight_.size() >= kMaxInFlight) {
            const auto oldest = inFlight_.front();
            inFlight_.pop_front();
            if (!oldest->wait_for(kFlowBound)) throw std::runtime_error("not written within the bound");
        }
    } catch (const std::exception& e) {
        // The link is stuck or gone: its return brings a whole new birth.
        inFlight_.clear();
        platform::logWarning(std::string("Sparkplug B: ") + type + " not sent: " + e.what());
    }
    lock.lock();
}

void Node::birth(std::unique_lock<std::mutex>& lock) {
    birthWanted_ = false;
    for (auto it = devices_.begin(); it != devices_.end();) {
        it = it->second.gone ? devices_.erase(it) : std::next(it);
    }
    dirty_.clear();
    machinesPublished_ = devices_.size();
    send(lock, "NBIRTH", "", nodeMetrics());
    // Devices that come or change meanwhile are marked dirty and follow.
    std::vector<std::string> ids;
    for (auto& [id, device] : devices_) ids.push_back(id);
    for (const auto& id : ids) {
        auto it = devices_.find(id);
        if (it == devices_.end() || it->second.gone || !online_ || birthWanted_) continue;
        it->second.published = it->second.current;
        it->second.born = true;
        send(lock, "DBIRTH", id, it->second.published);
    }
}

void Node::sendDirty(std::unique_lock<std::mutex>& lock) {
    while (!dirty_.empty() && online_ && !birthWanted_) {
        const std::string id = *dirty_.begin();
        dirty_.erase(dirty_.begin());
        auto it = devices_.find(id);
        if (it == devices_.end()) continue;
        Device& device = it->second;
        if (device.gone) {
            const bool born = device.born;
            devices_.erase(it);
            if (born) send(lock, "DDEATH", id, {});
        } else if (!device.born) {
            device.published = device.current;
            device.born = true;
            send(lock, "DBIRTH", id, device.published);
        } else if (auto changed = changedMetrics(device.published, device.current); !changed.empty()) {
            device.published = device.current;
            send(lock, "DDATA", id, changed);
        }
        if (devices_.size() != machinesPublished_ && online_ && !birthWanted_) {
            machinesPublished_ = devices_.size();
            send(lock, "NDATA", "", {{kMachines, DataType::Int32, std::uint64_t{machinesPublished_}}});
        }
    }
}

void Node::publishLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return stopping_ || (online_ && (birthWanted_ || !dirty_.empty())); });
        if (online_ && birthWanted_) birth(lock);
        if (online_) sendDirty(lock);
        if (stopping_ && (!online_ || (dirty_.empty() && !birthWanted_))) return;
    }
}

void Node::stop() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
        changed_.notify_all();
    }
    reconnector_.stop();
    if (thread_.joinable()) thread_.join();
    bool wasOnline = false;
    std::uint64_t bdSeq = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wasOnline = online_;
        online_ = false;
        bdSeq = bdSeq_;
    }
    try {
        if (wasOnline) {
            // A host learns of an orderly end at once, not after the keep-alive.
            const std::string death = deathCertificate(bdSeq);
            client_.publish(deathTopic_, death.data(), death.size(), 1, false)->wait_for(kStopFlushBound);
        }
        client_.disconnect()->wait_for(kDisconnectBound);
    } catch (const mqtt::exception&) {
    }
}

}  // namespace nolt::sparkplug
