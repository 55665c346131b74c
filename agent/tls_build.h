#pragma once
// Whether this build speaks TLS to the broker, and what it refuses when it
// does not; apart from the TLS options so that it needs no MQTT library.
#include <optional>
#include <string>

#include "agent/agent_options.h"

namespace nolt {

// Whether a broker of the -b list asks for TLS ("ssl://", "mqtts://", "wss://").
bool usesTls(const std::string& brokers);

// Whether this build's MQTT library speaks TLS.
bool tlsBuilt();

// Why these options cannot run on this build when its MQTT library has no
// TLS: an ssl://, mqtts:// or wss:// broker, or a TLS switch.
std::optional<std::string> tlsUnavailable(const AgentOptions& options);

}  // namespace nolt
