#include "tests/support/in_process_agent.h"

#include "agent/event_loop.h"
#include "tests/support/agent_process.h"

namespace testsupport {

namespace {
nolt::AgentOptions optionsFor(const std::string& brokerUri, const std::string& domain, const std::string& agent) {
    nolt::AgentOptions options;
    options.domain = domain;
    options.agent = agent;
    options.broker = brokerUri;
    return options;
}
}  // namespace

InProcessAgent::InProcessAgent(const std::string& brokerUri, const std::string& domain, const std::string& agent)
    : InProcessAgent(optionsFor(brokerUri, domain, agent)) {}

InProcessAgent::InProcessAgent(const nolt::AgentOptions& options) : prefix_(options.domain + "/" + options.agent) {
    nolt::AgentOptions withNode = options;
    if (withNode.sparkplugGroup.empty()) withNode.sparkplugGroup = testSparkplugGroup();
    agent_ = std::make_unique<nolt::NoltAgent>(withNode);
    nolt::EventLoop::instance().reset();
    thread_ = std::thread([this] { agent_->run(); });
}

InProcessAgent::~InProcessAgent() { stop(); }

void InProcessAgent::stop() {
    if (!thread_.joinable()) return;
    agent_->stop();
    thread_.join();
}

}  // namespace testsupport
