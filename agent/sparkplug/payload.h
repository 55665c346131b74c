#pragma once
// Sparkplug B payloads in their Protobuf encoding.
#include <cstdint>
#include <optional>
#include <string>

#include "agent/sparkplug/metrics.h"

namespace nolt::sparkplug {

// False where the agent was built without the Protobuf library; the
// functions below then throw.
bool payloadsAvailable();

// A payload stamped now; NDEATH carries no sequence number.
std::string encodePayload(const Metrics& metrics, std::optional<std::uint64_t> seq);

// The metrics of a received command, with their boolean, whole-number and
// text values; empty when the bytes are no Sparkplug B payload.
std::optional<Metrics> decodePayload(const std::string& bytes);

}  // namespace nolt::sparkplug
