#pragma once
// The topics the agent wants subscribed; it survives reconnects.
#include <map>
#include <mutex>
#include <string>

namespace nolt {

class SubscriptionTable {
public:
    void add(const std::string& topic, int qos) {
        std::lock_guard<std::mutex> lock(mutex_);
        topics_[topic] = qos;
    }
    void remove(const std::string& topic) {
        std::lock_guard<std::mutex> lock(mutex_);
        topics_.erase(topic);
    }
    bool contains(const std::string& topic) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return topics_.count(topic) != 0;
    }
    std::map<std::string, int> snapshot() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return topics_;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, int> topics_;
};

}  // namespace nolt
