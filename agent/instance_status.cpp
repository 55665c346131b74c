#include "agent/instance_status.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace nolt {
namespace {

struct StatusClass {
    std::string level;
    StatusAttach attach;
};

std::mutex classesMutex;
std::map<std::string, StatusClass>& statusClasses() {
    static auto* classes = new std::map<std::string, StatusClass>();  // lives until the process ends
    return *classes;
}

bool findStatusClass(const std::string& className, StatusClass& found) {
    std::lock_guard<std::mutex> lock(classesMutex);
    auto it = statusClasses().find(className);
    if (it == statusClasses().end()) return false;
    found = it->second;
    return true;
}

using Clock = std::chrono::steady_clock;

}  // namespace

bool isStatusLevel(const std::string& className, const std::string& level) {
    std::lock_guard<std::mutex> lock(classesMutex);
    auto it = statusClasses().find(className);
    return it != statusClasses().end() && it->second.level == level;
}

void registerInstanceStatus(const std::string& className, const std::string& level, StatusAttach attach) {
    std::lock_guard<std::mutex> lock(classesMutex);
    statusClasses()[className] = {level, std::move(attach)};
}

class InstanceStatusPublisher::State {
public:
    State(Topics topics, Publish publish, std::chrono::milliseconds minInterval)
        : topics_(std::move(topics)), publish_(std::move(publish)), minInterval_(minInterval) {
        thread_ = std::thread([this] { flushLoop(); });
    }

    ~State() { stop(); }

    // A fresh entry for the topic; reports of earlier generations are ignored.
    std::uint64_t begin(const std::string& topic, const std::string& instance) {
        std::lock_guard<std::mutex> lock(mutex_);
        Entry& entry = entries_[topic];
        entry = Entry{};
        entry.instance = instance;
        entry.generation = ++lastGeneration_;
        return entry.generation;
    }

    void update(const std::string& topic, std::uint64_t generation, std::string payload) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = entries_.find(topic);
        if (it == entries_.end() || it->second.generation != generation || it->second.clearing) return;
        it->second.payload = std::move(payload);
        it->second.dirty = true;
        changed_.notify_all();
    }

    void clear(const std::string& topic) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = entries_.find(topic);
        if (it == entries_.end()) return;
        it->second.clearing = true;
        it->second.payload.clear();
        it->second.dirty = true;
        // A clear waits for no interval: it follows the last status at once.
        it->second.lastSent = Clock::time_point::min();
        changed_.notify_all();
    }

    void markAllDirty() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [topic, entry] : entries_) {
            // An entry that never got a status has nothing to send.
            if (!entry.clearing && entry.payload.empty()) continue;
            entry.dirty = true;
            entry.lastSent = Clock::time_point::min();
        }
        changed_.notify_all();
    }

    std::map<std::string, std::string> latest() const {
        std::map<std::string, std::string> statuses;
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [topic, entry] : entries_) {
            if (!entry.clearing && !entry.payload.empty()) statuses.emplace(topic, entry.payload);
        }
        return statuses;
    }

    void clearAll() {
        stop();
        std::map<std::string, Entry> entries;
        Tap tap;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            entries.swap(entries_);
            tap = tap_;
        }
        for (const auto& [topic, entry] : entries) {
            sendOne(publish_, topic, "");
            if (tap) tap(entry.instance, "");
        }
    }

    void setTap(Tap tap) {
        std::lock_guard<std::mutex> lock(mutex_);
        tap_ = std::move(tap);
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_ && !thread_.joinable()) return;
            stopping_ = true;
            changed_.notify_all();
        }
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }

    const Topics& topics() const { return topics_; }

private:
    struct Entry {
        std::string instance;
        std::uint64_t generation = 0;
        std::string payload;
        bool dirty = false;
        bool clearing = false;
        Clock::time_point lastSent = Clock::time_point::min();
    };

    struct Due {
        std::string topic;
        std::string instance;
        std::string payload;
        std::uint64_t generation;
        bool clearing;
    };

    static bool sendOne(const Publish& publish, const std::string& topic, const std::string& payload) {
        try {
            publish(topic, payload);
            return true;
        } catch (const std::exception&) {
            // Link down: everything is sent again after the next connect.
            return false;
        }
    }

    Clock::time_point dueAt(const Entry& entry) const {
        return entry.lastSent == Clock::time_point::min() ? entry.lastSent : entry.lastSent + minInterval_;
    }

    void flushLoop() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            const auto now = Clock::now();
            auto next = Clock::time_point::max();
            std::vector<Due> due;
            for (auto& [topic, entry] : entries_) {
                if (!entry.dirty) continue;
                const auto at = dueAt(entry);
                if (at <= now) {
                    due.push_back({topic, entry.instance, entry.payload, entry.generation, entry.clearing});
                    entry.dirty = false;
                    entry.lastSent = now;
                } else if (at < next) {
                    next = at;
                }
            }
            if (due.empty()) {
                if (next == Clock::time_point::max()) {
                    changed_.wait(lock);
                } else {
                    changed_.wait_until(lock, next);
                }
                continue;
            }
            const Tap tap = tap_;
            lock.unlock();
            std::vector<bool> sent;
            for (const auto& item : due) {
                sent.push_back(sendOne(publish_, item.topic, item.payload));
                if (tap) tap(item.instance, item.payload);
            }
            lock.lock();
            for (std::size_t i = 0; i < due.size(); ++i) {
                if (!due[i].clearing || !sent[i]) continue;
                auto it = entries_.find(due[i].topic);
                if (it != entries_.end() && it->second.generation == due[i].generation && !it->second.dirty) {
                    entries_.erase(it);
                }
            }
        }
    }

    const Topics topics_;
    const Publish publish_;
    const std::chrono::milliseconds minInterval_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Entry> entries_;
    std::uint64_t lastGeneration_ = 0;
    Tap tap_;
    bool stopping_ = false;
    std::thread thread_;
};

namespace {

std::string statusTopic(const Topics& topics, const std::string& className, const std::string& id,
                        const std::string& level) {
    return topics.instanceFunction(className, id, level);
}

}  // namespace

InstanceStatusPublisher::InstanceStatusPublisher(Topics topics, Publish publish, std::chrono::milliseconds minInterval)
    : state_(std::make_shared<State>(std::move(topics), std::move(publish), minInterval)) {}

InstanceStatusPublisher::~InstanceStatusPublisher() { state_->stop(); }

void InstanceStatusPublisher::attach(const std::string& className, const std::string& id, bool named,
                                     const std::any& instance) {
    StatusClass statusClass;
    if (!instance.has_value() || !findStatusClass(className, statusClass)) return;
    const std::string topic = statusTopic(state_->topics(), className, id, statusClass.level);
    const std::uint64_t generation = state_->begin(topic, id);
    std::weak_ptr<State> weak = state_;
    // Called without any lock of ours: the instance reports at once.
    statusClass.attach(instance, [weak, topic, generation, id, named](const nlohmann::json& status) {
        auto state = weak.lock();
        if (!state) return;
        nlohmann::json message = status;
        message["instance"] = id;
        message["named"] = named;
        state->update(topic, generation, message.dump());
    });
}

void InstanceStatusPublisher::remove(const std::string& className, const std::string& id) {
    StatusClass statusClass;
    if (!findStatusClass(className, statusClass)) return;
    state_->clear(statusTopic(state_->topics(), className, id, statusClass.level));
}

void InstanceStatusPublisher::republishAll() { state_->markAllDirty(); }

std::map<std::string, std::string> InstanceStatusPublisher::latest() const { return state_->latest(); }

void InstanceStatusPublisher::clearAll() { state_->clearAll(); }

void InstanceStatusPublisher::stop() { state_->stop(); }

void InstanceStatusPublisher::setTap(Tap tap) { state_->setTap(std::move(tap)); }

}  // namespace nolt
