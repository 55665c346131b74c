#pragma once
// The broker settings of the agent's options (credentials, TLS, time-outs),
// as the agent connects with them; other programs on the same options
// (the command-line client) take theirs from here.
#include <mqtt/connect_options.h>

#include "agent/agent_options.h"

namespace nolt {

// The agent's connect options, last will included.
mqtt::connect_options agentConnectOptions(const AgentOptions& options);

}  // namespace nolt
