#pragma once
// The service module: what the command-line step decided, kept for the run
// step.
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "agent/agent_options.h"
#include "agent/nolt_agent.h"
#include "platform/module_path.h"

namespace heidenhain {

using AgentFactory = std::function<std::shared_ptr<nolt::NoltAgent>(const nolt::AgentOptions&)>;

// The real agent, built from the options.
std::shared_ptr<nolt::NoltAgent> createAgent(const nolt::AgentOptions& options);

struct HeidenhainService {
    explicit HeidenhainService(AgentFactory factory = createAgent) : agentFactory(std::move(factory)) {}

    // Installs or removes the service, or parses the options and creates the
    // agent. True means that the agent is to run now; false that the process
    // ends with resultCode.
    bool parseCommandLine(const std::string& commandLine, int& resultCode);

    AgentFactory agentFactory;
    // The program's absolute path, which the installed service runs.
    std::function<std::string()> modulePath = platform::modulePath;
    nolt::AgentOptions options;
    std::shared_ptr<nolt::NoltAgent> agent;
};

}  // namespace heidenhain
