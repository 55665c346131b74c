#include "agent/client_table.h"

#include <algorithm>

namespace nolt {

bool ClientTable::record(const std::string& clientId, const Record& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& records = clients_[clientId];
    records.push_back(record);
    return records.size() == 1;
}

bool ClientTable::forget(const std::string& instanceId, std::string& owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [clientId, records] : clients_) {
        auto match = std::find_if(records.begin(), records.end(),
                                  [&](const Record& r) { return r.instanceId == instanceId; });
        if (match == records.end()) continue;
        records.erase(match);
        owner = clientId;
        return records.empty();
    }
    return false;
}

bool ClientTable::takeRecords(const std::string& clientId, std::vector<Record>& records) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = clients_.find(clientId);
    if (found == clients_.end()) return false;
    records.swap(found->second);
    found->second.clear();
    return true;
}

}  // namespace nolt
