#include "dncsim/faults.h"

namespace dncsim {

void Faults::failNext(std::string operation, int count, dnc::HRESULT code, std::string host) {
    if (count == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back({std::move(operation), std::move(host), count, code, {}});
}

void Faults::delay(std::string operation, std::chrono::milliseconds duration, int count, std::string host) {
    if (count == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    delays_.push_back({std::move(operation), std::move(host), count, dnc::kOk, duration});
}

void Faults::setLinkLost(const std::string& host, bool lost) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lost) lostLinks_.insert(host);
    else lostLinks_.erase(host);
}

bool Faults::linkLost(const std::string& host) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lostLinks_.count(host) != 0;
}

void Faults::setBooting(const std::string& host, bool booting) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (booting) booting_.insert(host);
    else booting_.erase(host);
}

bool Faults::booting(const std::string& host) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return booting_.count(host) != 0;
}

void Faults::withholdInterface(dnc::DNC_INTERFACE_OBJECT kind, dnc::HRESULT code, std::string host) {
    std::lock_guard<std::mutex> lock(mutex_);
    withheld_[{std::move(host), kind}] = code;
}

void Faults::offerInterface(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    withheld_.erase({host, kind});
}

dnc::HRESULT Faults::interfaceAnswer(dnc::DNC_INTERFACE_OBJECT kind, const std::string& host) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& key : {std::make_pair(host, kind), std::make_pair(std::string(), kind)}) {
        auto it = withheld_.find(key);
        if (it != withheld_.end()) return it->second;
    }
    return dnc::kOk;
}

bool Faults::matches(const Rule& rule, std::string_view operation, const std::string& host) {
    return rule.operation == operation && (rule.host.empty() || rule.host == host);
}

bool Faults::take(std::vector<Rule>& rules, std::string_view operation, const std::string& host, Rule* taken) {
    for (auto it = rules.begin(); it != rules.end(); ++it) {
        if (!matches(*it, operation, host)) continue;
        *taken = *it;
        if (it->remaining > 0 && --it->remaining == 0) rules.erase(it);
        return true;
    }
    return false;
}

dnc::HRESULT Faults::enter(std::string_view operation, const std::string& host) {
    std::unique_lock<std::mutex> lock(mutex_);
    Rule rule;
    if (take(delays_, operation, host, &rule)) {
        auto waiting = delayedCalls_.emplace(std::string(operation), 0).first;
        ++waiting->second;
        changed_.notify_all();
        // releaseDelayed() ends the wait, so that a reset never hangs on a delayed call.
        const auto releases = releases_;
        changed_.wait_for(lock, rule.delay, [&] { return releases_ != releases; });
        --waiting->second;
    }
    if (take(failures_, operation, host, &rule)) return rule.code;
    return dnc::kOk;
}

bool Faults::awaitDelayedCall(std::string_view operation, std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] {
        auto it = delayedCalls_.find(operation);
        return it != delayedCalls_.end() && it->second > 0;
    });
}

void Faults::releaseDelayed() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++releases_;
    changed_.notify_all();
}

void Faults::clear() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_.clear();
        delays_.clear();
        lostLinks_.clear();
        booting_.clear();
        withheld_.clear();
    }
    releaseDelayed();
}

}  // namespace dncsim
