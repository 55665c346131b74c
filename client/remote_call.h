#pragma once
// One remote call through the agent's protocol, as the client makes it.
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "client/agent_directory.h"
#include "client/broker_link.h"
#include "client/command_line.h"

namespace nolt::client {

// Publishes the request on PREFIX/CLASS/INSTANCE/FUNCTION with the link's
// reply topic and an id of its own, and returns the reply; ClientError with
// the time-out exit code when none comes within the link's bound.
nlohmann::json callRemote(BrokerLink& link, const AgentEntry& agent, const std::string& className,
                          const std::string& instance, const std::string& function, const nlohmann::json& data);

// The reply's "r", or ClientError with its "e".
nlohmann::json resultOf(const nlohmann::json& reply);

// call AGENT CLASS INSTANCE FUNCTION [ARG...]: prints "r" as JSON (--json:
// the whole reply); "e" on the error stream with exit code 1.
int callCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace nolt::client
