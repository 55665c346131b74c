#include "client/agent_directory.h"

#include <algorithm>

#include "agent/topic_rules.h"
#include "agent/topics.h"
#include "client/client_error.h"

namespace nolt::client {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// How long the agents get to answer a discovery request, after the last answer.
constexpr auto kDiscoveryQuiet = std::chrono::milliseconds(700);

// The JSON objects retained on the topics that the filter subscribes and
// `matches` accepts. Where the broker hands none (it gives retained messages
// only to subscriptions of exactly their topic), the agents of the filter's
// domain are asked for theirs.
std::vector<std::pair<std::string, nlohmann::json>> retainedObjects(
    BrokerLink& link, const std::string& filter, const std::function<bool(const std::string&)>& matches) {
    link.subscribe(filter);
    link.sync();
    // The answers hold every topic an agent retains, beyond the filter.
    const auto wanted = [&](const std::string& topic) { return topicMatches(filter, topic) && matches(topic); };
    auto latest = link.latestMatching(wanted);
    if (latest.empty()) {
        const std::string domain = splitTopic(filter).front();
        link.discover(domain == "+" ? kDiscoveryLevel : domain + "/" + kDiscoveryLevel,
                      std::min(kDiscoveryQuiet, link.bound()));
        latest = link.latestMatching(wanted);
    }
    std::vector<std::pair<std::string, nlohmann::json>> objects;
    for (const auto& message : latest) {
        auto json = nlohmann::json::parse(message.payload, nullptr, false);
        if (json.is_object()) objects.emplace_back(message.topic, std::move(json));
    }
    std::sort(objects.begin(), objects.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return objects;
}

std::vector<AgentEntry> agentsOn(BrokerLink& link, const std::string& filter) {
    const std::string level = "/__agentInfo__";
    std::vector<AgentEntry> agents;
    const auto matches = [&](const std::string& topic) {
        return endsWith(topic, level) && splitTopic(topic).size() == 3;
    };
    for (const auto& [topic, info] : retainedObjects(link, filter, matches)) {
        agents.push_back({topic.substr(0, topic.size() - level.size()), info.value("hostname", ""),
                          info.value("status", "")});
    }
    return agents;
}

// The objects retained under the agent's prefix on the topics of `pattern`
// ("+/__classInfo__"): as many levels, the same last one.
std::vector<nlohmann::json> agentObjects(BrokerLink& link, const AgentEntry& agent, const std::string& pattern) {
    const auto levels = splitTopic(agent.prefix + "/" + pattern);
    const auto matches = [&](const std::string& topic) {
        const auto seen = splitTopic(topic);
        return seen.size() == levels.size() && seen.back() == levels.back() && topic.rfind(agent.prefix + "/", 0) == 0;
    };
    std::vector<nlohmann::json> objects;
    for (auto& [topic, object] : retainedObjects(link, agent.prefix + "/" + pattern, matches)) {
        objects.push_back(std::move(object));
    }
    return objects;
}

}  // namespace

std::vector<AgentEntry> listAgents(BrokerLink& link, const std::string& domain) {
    return agentsOn(link, (domain.empty() ? "+" : domain) + "/+/__agentInfo__");
}

AgentEntry findAgent(BrokerLink& link, const std::string& agent, const std::string& domain) {
    const bool qualified = agent.find('/') != std::string::npos;
    const std::string prefix = qualified || domain.empty() ? agent : domain + "/" + agent;
    const bool anyDomain = !qualified && domain.empty();
    if (agent.empty() || prefix.find_first_of("+#") != std::string::npos ||
        splitTopic(prefix).size() != (anyDomain ? 1u : 2u)) {
        throw ClientError("Unknown agent: " + agent + " (an agent is named DOMAIN/AGENT, or AGENT with -d DOMAIN)");
    }
    auto found = agentsOn(link, (anyDomain ? "+/" + agent : prefix) + "/__agentInfo__");
    if (found.empty()) throw ClientError("Unknown agent: " + agent + " (no agent info on the broker)");
    if (found.size() > 1) {
        std::string names;
        for (const auto& entry : found) names += (names.empty() ? "" : ", ") + entry.prefix;
        throw ClientError("Agent " + agent + " exists in several domains: " + names + "; give DOMAIN/AGENT");
    }
    return found.front();
}

AgentEntry findOnlineAgent(BrokerLink& link, const std::string& agent, const std::string& domain) {
    AgentEntry entry = findAgent(link, agent, domain);
    if (entry.status != "online") throw ClientError("Agent " + entry.prefix + " is " + entry.status);
    return entry;
}

std::vector<nlohmann::json> listClasses(BrokerLink& link, const AgentEntry& agent) {
    return agentObjects(link, agent, "+/__classInfo__");
}

nlohmann::json findClass(BrokerLink& link, const AgentEntry& agent, const std::string& className) {
    const std::string topic = agent.prefix + "/" + className + "/__classInfo__";
    if (className.empty() || className.find_first_of("/+#") != std::string::npos) {
        throw ClientError("Unknown class: \"" + className + "\"");
    }
    auto found = retainedObjects(link, topic, [&](const std::string& seen) { return seen == topic; });
    if (found.empty()) throw ClientError("Unknown class: " + className + " (no class info on " + topic + ")");
    return found.front().second;
}

std::vector<nlohmann::json> listMachines(BrokerLink& link, const AgentEntry& agent) {
    return agentObjects(link, agent, "+/+/__machineInfo__");
}

}  // namespace nolt::client
