#pragma once
// Which client created which anonymous instance, so that a client's
// instances can be deleted when it announces that it went offline.
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace nolt {

class ClientTable {
public:
    struct Record {
        std::string instanceId;
        std::string className;
    };

    // Anonymous instances cost a subscription per function each and stay
    // until deleted or until their client goes offline: a client that never
    // deletes them must not grow the agent without bound.
    static constexpr std::size_t kMaxPerClient = 1000;
    static constexpr std::size_t kMaxInAll = 10000;

    // Why the client may not create another anonymous instance now; empty
    // when it may. Creates that run at the same moment may pass it together.
    std::optional<std::string> refusalOfNewInstance(const std::string& clientId) const;

    // Returns true when the client had no records, i.e. its client info must
    // be subscribed (again).
    bool record(const std::string& clientId, const Record& record);

    // Drops the record of a deleted instance, whichever client created it.
    // Returns true when that client's list became empty, i.e. its client info
    // must be unsubscribed; owner names the client.
    bool forget(const std::string& instanceId, std::string& owner);

    // Takes the client's records out of the table; false when the client is
    // unknown. The records go because their instances are about to be
    // deleted: an id kept after that could name a later instance at the same
    // address.
    bool takeRecords(const std::string& clientId, std::vector<Record>& records);

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<Record>> clients_;  // no client with an empty list
    std::size_t total_ = 0;
};

}  // namespace nolt
