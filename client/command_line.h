#pragma once
// The client's command line: a command with its words, the client's own
// switches, and the broker switches of the agent, read by the agent's own
// option parser.
#include <chrono>
#include <string>
#include <vector>

#include "agent/agent_options.h"

namespace nolt::client {

struct ClientCommandLine {
    std::string command;
    std::vector<std::string> words;  // after the command
    AgentOptions broker;             // -b, -u, -P, -t, TLS, -d (domain filter)
    bool json = false;
    bool help = false;
    std::chrono::milliseconds timeout{10000};
};

// Throws ClientError for an unknown switch or a bad --timeout.
ClientCommandLine parseClientCommandLine(int argc, const char* const* argv);

// Whether the argument is one of the agent's switches, and whether it takes a value.
enum class AgentSwitch { None, Flag, WithValue };
AgentSwitch classifyAgentSwitch(const std::string& argument);

}  // namespace nolt::client
