#include "agent/broker_uris.h"

#include <stdexcept>
#include <utility>

#include "platform/log.h"

namespace nolt {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool knownScheme(const std::string& uri) {
    for (const char* scheme : {"tcp://", "mqtt://", "ssl://", "mqtts://", "ws://", "wss://"}) {
        if (uri.rfind(scheme, 0) == 0 && uri.size() > std::string(scheme).size()) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> listedBrokers(const std::string& option) {
    std::vector<std::string> uris;
    for (std::size_t start = 0;;) {
        const auto comma = option.find(',', start);
        uris.push_back(trimmed(option.substr(start, comma - start)));
        if (comma == std::string::npos) return uris;
        start = comma + 1;
    }
}

std::vector<std::string> brokerUris(const std::string& option) {
    if (option.find(',') == std::string::npos) return {option};
    const auto uris = listedBrokers(option);
    for (const auto& uri : uris) {
        if (uri.empty()) throw std::invalid_argument("Empty broker URI in the list '" + option + "'");
        if (!knownScheme(uri)) {
            throw std::invalid_argument("Unusable broker URI '" + uri +
                                        "' in the list: each needs tcp://, mqtt://, ssl://, mqtts://, ws:// or "
                                        "wss:// and a host");
        }
    }
    return uris;
}

std::string BrokerRotation::attempt() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return uris_[next_];
}

bool BrokerRotation::failed() {
    std::lock_guard<std::mutex> lock(mutex_);
    next_ = (next_ + 1) % uris_.size();
    if (next_ != roundStart_) return true;
    next_ = roundStart_ = 0;
    return false;
}

void BrokerRotation::lost() {
    std::lock_guard<std::mutex> lock(mutex_);
    next_ = roundStart_ = (connectedTo_ + 1) % uris_.size();
}

void BrokerRotation::connected() {
    std::string was;
    std::string now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connectedTo_ = next_;
        now = uris_[next_];
        const bool first = !std::exchange(connectedBefore_, true);
        if (!first && now == current_) return;
        was = first ? std::string() : current_;
        current_ = now;
    }
    if (uris_.size() < 2) return;
    platform::logNotice(was.empty() ? "Connected to the broker " + now
                                    : "Switched to the broker " + now + " (was " + was + ")");
}

std::string BrokerRotation::current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

}  // namespace nolt
