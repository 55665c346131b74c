#pragma once
// TLS towards the broker: the broker's certificate and host name are
// verified unless the options turn that off explicitly.
#include <optional>
#include <string>

#include <mqtt/ssl_options.h>

#include "agent/agent_options.h"
#include "agent/tls_build.h"

namespace nolt {

// Whether the broker's certificate and host name are checked on this connection.
bool verifiesBroker(const AgentOptions& options);

// A CA, certificate or key file that cannot be read, named by its option.
std::optional<std::string> tlsFileProblem(const AgentOptions& options);

// Without a CA file the system's trust store is used.
mqtt::ssl_options makeSslOptions(const AgentOptions& options);

}  // namespace nolt
