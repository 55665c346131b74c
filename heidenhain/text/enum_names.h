#pragma once
// Number/name tables between the SDK's numbers and the names that remote
// clients use. Each table is built on first use (thread-safe) and never
// changed; lookups never insert, so any thread may read without a lock.
#include <string>
#include <unordered_map>

#include "heidenhain/sdk/error_texts.h"

namespace heidenhain {

using NumberNameMap = std::unordered_map<int, std::string>;
using NameNumberMap = std::unordered_map<std::string, int>;

const NumberNameMap& machineStateMap();
// The machine state event has a numbering of its own, unlike machineStateMap.
const NumberNameMap& machineEventMap();
const NumberNameMap& programStatusMap();
const NumberNameMap& programEventMap();
const NumberNameMap& dncModeMap();

const NameNumberMap& execModeMap();
const NameNumberMap& cncTypeMap();
const NameNumberMap& protocolMap();
const NameNumberMap& accessModeMap();

// What connect needs to know about a controller model.
struct ControllerType {
    int cncType;
    int protocol;
};
const std::unordered_map<std::string, ControllerType>& controllerTypeMap();

// The name of a number; empty when the table has none.
std::string nameOf(const NumberNameMap& map, int number);

// The number of a name; 0 when the table has none.
int numberOf(const NameNumberMap& map, const std::string& name);

// The number of an access mode; an unknown name fails like a checked map
// access: std::out_of_range("invalid unordered_map<K, T> key").
int accessModeNumber(const std::string& name);

}  // namespace heidenhain
