#pragma once
// What the agents on a broker announce, read from their retained messages:
// agent infos, class infos and the presence of every machine.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "client/broker_link.h"

namespace nolt::client {

struct AgentEntry {
    std::string prefix;  // DOMAIN/AGENT
    std::string hostname;
    std::string status;
};

// Every agent, or those of one domain when it is not empty.
std::vector<AgentEntry> listAgents(BrokerLink& link, const std::string& domain);

// The agent named "DOMAIN/AGENT", or "AGENT" in the given domain (any domain
// when empty, as long as only one has it). Throws ClientError when unknown.
AgentEntry findAgent(BrokerLink& link, const std::string& agent, const std::string& domain);
// As findAgent, and refuses an agent that is not online.
AgentEntry findOnlineAgent(BrokerLink& link, const std::string& agent, const std::string& domain);

// Class infos of the agent, by class name.
std::vector<nlohmann::json> listClasses(BrokerLink& link, const AgentEntry& agent);
// Throws ClientError for a class the agent does not announce.
nlohmann::json findClass(BrokerLink& link, const AgentEntry& agent, const std::string& className);

// Every machine's presence object, by instance id.
std::vector<nlohmann::json> listMachines(BrokerLink& link, const AgentEntry& agent);

}  // namespace nolt::client
