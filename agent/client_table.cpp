#include "agent/client_table.h"

#include <algorithm>

namespace nolt {

std::optional<std::string> ClientTable::refusalOfNewInstance(const std::string& clientId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = clients_.find(clientId);
    if (found != clients_.end() && found->second.size() >= kMaxPerClient) {
        return "Too many anonymous instances: this client already holds " + std::to_string(found->second.size()) +
               " (the limit per client is " + std::to_string(kMaxPerClient) +
               "); delete some with __delete__, or create named instances";
    }
    if (total_ >= kMaxInAll) {
        return "Too many anonymous instances: the agent already holds " + std::to_string(total_) + " (its limit is " +
               std::to_string(kMaxInAll) + "); delete some with __delete__, or create named instances";
    }
    return std::nullopt;
}

bool ClientTable::record(const std::string& clientId, const Record& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& records = clients_[clientId];
    records.push_back(record);
    ++total_;
    return records.size() == 1;
}

bool ClientTable::forget(const std::string& instanceId, std::string& owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [clientId, records] : clients_) {
        auto match = std::find_if(records.begin(), records.end(),
                                  [&](const Record& r) { return r.instanceId == instanceId; });
        if (match == records.end()) continue;
        records.erase(match);
        --total_;
        owner = clientId;
        if (!records.empty()) return false;
        clients_.erase(owner);
        return true;
    }
    return false;
}

bool ClientTable::takeRecords(const std::string& clientId, std::vector<Record>& records) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = clients_.find(clientId);
    if (found == clients_.end()) return false;
    records.swap(found->second);
    total_ -= records.size();
    clients_.erase(found);
    return true;
}

}  // namespace nolt
