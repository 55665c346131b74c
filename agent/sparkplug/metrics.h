#pragma once
// Sparkplug B metrics as this agent names them: what a machine's summary
// becomes on its device, and the rules for ids and topics. No MQTT and no
// Protobuf here.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

namespace nolt::sparkplug {

// The data types this agent uses, numbered as in the payload schema.
enum class DataType : std::uint32_t { Int32 = 3, UInt64 = 8, Boolean = 11, String = 12, DateTime = 13 };

struct Metric {
    std::string name;
    DataType type = DataType::String;
    std::variant<bool, std::uint64_t, std::string> value;
    bool operator==(const Metric&) const = default;
};
using Metrics = std::vector<Metric>;

inline constexpr const char* kNamespace = "spBv1.0";
inline constexpr const char* kRebirth = "Node Control/Rebirth";
inline constexpr const char* kBdSeq = "bdSeq";
inline constexpr const char* kMachines = "Machines";

// A machine's summary (its "__machineInfo__" object) as its device's metrics,
// always the same names in the same order.
Metrics deviceMetrics(const nlohmann::json& status);

// The metrics of `now` whose value differs from the one of that name in
// `before`, or that `before` lacks.
Metrics changedMetrics(const Metrics& before, const Metrics& now);

// An id as Sparkplug allows it: '/', '+' and '#' become '_'.
std::string cleanId(const std::string& id);

// "spBv1.0/GROUP/TYPE/NODE" or, with a device, ".../DEVICE".
std::string topic(const std::string& group, const std::string& type, const std::string& node,
                  const std::string& device = "");

// "2026-12-07T15:31:36.123Z" in milliseconds since 1970; 0 when unreadable.
std::uint64_t epochMillis(const std::string& timestamp);

std::uint64_t nowMillis();

}  // namespace nolt::sparkplug
