#pragma once
// TLS towards the broker: the broker's certificate and host name are
// verified unless the options turn that off explicitly.
#include <optional>
#include <string>

#include <mqtt/ssl_options.h>

#include "agent/agent_options.h"

namespace nolt {

// Whether the broker URI asks for TLS ("ssl://", "mqtts://", "wss://").
bool usesTls(const std::string& brokerUri);

// Whether the broker's certificate and host name are checked on this connection.
bool verifiesBroker(const AgentOptions& options);

// Whether this build's MQTT library speaks TLS.
bool tlsBuilt();

// Why these options cannot run on this build when its MQTT library has no
// TLS: an ssl://, mqtts:// or wss:// broker, or a TLS switch.
std::optional<std::string> tlsUnavailable(const AgentOptions& options);

// A CA, certificate or key file that cannot be read, named by its option.
std::optional<std::string> tlsFileProblem(const AgentOptions& options);

// Without a CA file the system's trust store is used.
mqtt::ssl_options makeSslOptions(const AgentOptions& options);

}  // namespace nolt
