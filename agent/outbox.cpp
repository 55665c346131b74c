#include "agent/outbox.h"

#include <algorithm>
#include <map>

#include "platform/log.h"

namespace nolt {

namespace {
constexpr int kQos = 1;
// After a publication the library refused at once: the link just broke (its
// loss is reported in a moment) or the library is busy.
constexpr auto kRetryPause = std::chrono::milliseconds(100);
// A publication the library fails this often will not go through.
constexpr int kMaxAttempts = 5;

void* contextOf(std::uint64_t seq) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(seq)); }
std::uint64_t seqOf(const mqtt::token& token) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(token.get_user_context()));
}

bool mayTryAgain(int code) {
    return code == MQTTASYNC_DISCONNECTED || code == MQTTASYNC_MAX_BUFFERED_MESSAGES ||
           code == MQTTASYNC_OPERATION_INCOMPLETE || code == MQTTASYNC_MAX_MESSAGES_INFLIGHT;
}
}  // namespace

std::string describe(const OutboxLimits& limits) {
    return std::to_string(limits.messages) + " messages or " + std::to_string(limits.bytes >> 20) +
           " MB; past that, while the broker is away, the oldest replies and events are dropped";
}

Outbox::Outbox(std::shared_ptr<mqtt::async_client> client, OutboxLimits limits)
    : client_(std::move(client)), limits_(limits), sender_([this] { sendLoop(); }) {}

Outbox::~Outbox() { shutdown(); }

void Outbox::publish(const std::string& topic, std::string payload, bool retained) {
    const std::size_t size = payload.size();
    std::unique_lock<std::mutex> lock(mutex_);
    if (shutdown_) return;
    if (retained) {
        std::erase_if(entries_, [&](const Entry& e) {
            bool outdated = e.retained && e.topic == topic && e.sentOnLink == 0 && !e.done;
            if (outdated) bytes_ -= e.payload.size();
            return outdated;
        });
    } else {
        while (!hasRoom(size) && !noWaiting_) {
            if (up_) {
                roomOrDone_.wait(lock);
            } else if (!dropOldest()) {
                break;
            }
        }
        if (shutdown_) return;
    }
    entries_.push_back({nextSeq_++, topic, mqtt::binary_ref(std::move(payload)), retained});
    bytes_ += size;
    wakeSender_.notify_one();
}

void Outbox::handBack(const std::string& topic, std::string payload, const std::string& sentTo) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shutdown_) return;
    const int broker = sentTo.empty() ? 0 : brokerId(sentTo);
    if (up_ && broker != 0 && broker != broker_) return logNotSentAgain(1);
    bytes_ += payload.size();
    entries_.push_back({nextSeq_++, topic, mqtt::binary_ref(std::move(payload)), false, 0, broker});
    wakeSender_.notify_one();
}

int Outbox::brokerId(const std::string& broker) {
    return brokerIds_.emplace(broker, static_cast<int>(brokerIds_.size()) + 1).first->second;
}

void Outbox::logNotSentAgain(std::size_t count) {
    platform::logWarning("Not sending again " + std::to_string(count) +
                         " replies and events that the broker before may have delivered, so that none arrives twice");
}

bool Outbox::hasRoom(std::size_t size) const {
    // A single publication larger than the byte bound still goes, alone.
    return entries_.empty() || (entries_.size() < limits_.messages && bytes_ + size <= limits_.bytes);
}

bool Outbox::dropOldest() {
    auto oldest = std::find_if(entries_.begin(), entries_.end(),
                               [](const Entry& e) { return !e.retained && !e.done && e.sentOnLink == 0; });
    if (oldest == entries_.end()) return false;
    if (droppedThisOutage_++ == 0) {
        platform::logWarning("Outgoing queue full while the broker is away (" + describe(limits_) + ")");
    }
    bytes_ -= oldest->payload.size();
    entries_.erase(oldest);
    return true;
}

void Outbox::linkUp(const std::string& broker) {
    std::lock_guard<std::mutex> lock(mutex_);
    up_ = true;
    broker_ = brokerId(broker);
    dropSentElsewhere();
    if (droppedThisOutage_ != 0) {
        platform::logWarning("Dropped " + std::to_string(droppedThisOutage_) +
                             " replies and events while the broker was away");
        droppedThisOutage_ = 0;
    }
    wakeSender_.notify_all();
}

void Outbox::linkDown() {
    std::lock_guard<std::mutex> lock(mutex_);
    up_ = false;
    ++link_;
    // Whatever the broken link held is sent again, in its place.
    for (auto& entry : entries_) entry.sentOnLink = 0;
    inFlight_ = 0;
    roomOrDone_.notify_all();
}

void Outbox::dropSentElsewhere() {
    std::size_t dropped = 0;
    for (auto& entry : entries_) {
        // Retained ones only state what is so: sending them again harms nobody.
        if (entry.done || entry.retained || entry.sentTo == 0 || entry.sentTo == broker_) continue;
        entry.done = true;
        bytes_ -= entry.payload.size();
        ++dropped;
    }
    if (dropped == 0) return;
    logNotSentAgain(dropped);
    // Done ones behind the first that is not are left for popDone.
    std::erase_if(entries_, [](const Entry& entry) { return entry.done && entry.sentOnLink == 0; });
    popDone();
}

bool Outbox::flush(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return roomOrDone_.wait_for(lock, bound, [&] { return entries_.empty() || !up_; }) && entries_.empty();
}

void Outbox::stopWaiting() {
    std::lock_guard<std::mutex> lock(mutex_);
    noWaiting_ = true;
    roomOrDone_.notify_all();
}

void Outbox::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shutdown_ = true;
        noWaiting_ = true;
        wakeSender_.notify_all();
        roomOrDone_.notify_all();
    }
    if (sender_.joinable() && sender_.get_id() != std::this_thread::get_id()) sender_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    bytes_ = 0;
    // The library fails the requests it still holds into their listeners
    // when it goes: that must not happen from this object's destructor.
    client_.reset();
}

std::size_t Outbox::queued() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

Outbox::Entry* Outbox::find(std::uint64_t seq) {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), seq,
                               [](const Entry& e, std::uint64_t s) { return e.seq < s; });
    return it != entries_.end() && it->seq == seq ? &*it : nullptr;
}

Outbox::Entry* Outbox::nextToSend() {
    for (auto& entry : entries_) {
        if (!entry.done && entry.sentOnLink == 0) return &entry;
    }
    return nullptr;
}

void Outbox::sendLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    std::map<std::uint64_t, int> attempts;
    while (true) {
        Entry* next = nullptr;
        wakeSender_.wait(lock, [&] {
            return shutdown_ || (up_ && inFlight_ < limits_.window && (next = nextToSend()) != nullptr);
        });
        if (shutdown_) return;
        next->sentOnLink = link_;
        ++inFlight_;
        const auto seq = next->seq;
        const auto link = link_;
        const int broker = broker_;
        auto message = mqtt::make_message(next->topic, next->payload, kQos, next->retained);
        lock.unlock();
        int refused = 0;
        std::string why;
        try {
            client_->publish(message, contextOf(seq), *this);
        } catch (const mqtt::exception& e) {
            refused = e.get_return_code();
            why = e.what();
            if (refused == 0) refused = -1;
        }
        lock.lock();
        Entry* entry = find(seq);
        if (refused == 0) {
            // The broker may have it from now on; one the library refused never left.
            if (entry) entry->sentTo = broker;
            continue;
        }
        if (entry && !entry->done && entry->sentOnLink == link) {
            entry->sentOnLink = 0;
            --inFlight_;
            if (!mayTryAgain(refused) || ++attempts[seq] >= kMaxAttempts) {
                platform::logWarning("Dropped a publication to '" + entry->topic + "': " + why);
                bytes_ -= entry->payload.size();
                entry->done = true;
                attempts.erase(seq);
                popDone();
                continue;
            }
        }
        wakeSender_.wait_for(lock, kRetryPause, [&] { return shutdown_; });
    }
}

void Outbox::settle(const mqtt::token& token, bool delivered) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* entry = find(seqOf(token));
    if (!entry || entry->done) return;
    const bool current = entry->sentOnLink == link_;
    if (current && entry->sentOnLink != 0) --inFlight_;
    if (delivered) {
        entry->done = true;
        bytes_ -= entry->payload.size();
        popDone();
    } else if (current) {
        entry->sentOnLink = 0;  // sent again while the link is up, or after the next connect
    }
    wakeSender_.notify_all();
}

void Outbox::popDone() {
    while (!entries_.empty() && entries_.front().done) entries_.pop_front();
    // Done entries behind an unacknowledged one still count, briefly.
    roomOrDone_.notify_all();
}

void Outbox::on_success(const mqtt::token& token) { settle(token, true); }

void Outbox::on_failure(const mqtt::token& token) { settle(token, false); }

}  // namespace nolt
