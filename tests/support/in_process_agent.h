#pragma once
// The agent run inside the test process against a test broker, on a thread
// of its own, as the service runs it.
#include <memory>
#include <string>
#include <thread>

#include "agent/agent_options.h"
#include "agent/nolt_agent.h"

namespace testsupport {

class InProcessAgent {
public:
    InProcessAgent(const std::string& brokerUri, const std::string& domain, const std::string& agent);
    explicit InProcessAgent(const nolt::AgentOptions& options);
    // Stops the agent and waits for its thread.
    ~InProcessAgent();

    void stop();
    const std::string& prefix() const { return prefix_; }
    std::string topic(const std::string& rest) const { return prefix_ + "/" + rest; }

private:
    std::string prefix_;
    std::unique_ptr<nolt::NoltAgent> agent_;
    std::thread thread_;
};

}  // namespace testsupport
