#pragma once
// The JSON messages of the protocol: agent info, class info, requests and
// what a reply asks the session to do next.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/local_factory.h"
#include "agent/topics.h"

namespace nolt {

nlohmann::json agentInfo(const std::string& status, const std::string& hostname);

nlohmann::json classInfo(const LocalFactory& factory, const std::string& className);

// Topics the agent subscribes at start: "__create__" and every static
// function name of every class.
std::vector<std::string> staticTopics(const LocalFactory& factory, const Topics& topics);

// Sets "context" and "method" of a request from its call topic.
void prepareRequest(nlohmann::json& request, const ReceivedTopic& topic);

// What the session does after a successful factory call.
struct FollowUp {
    enum Kind { SubscribeInstance, UnsubscribeInstance, PublishClassInfo, RecordInstance, ForgetInstance };
    Kind kind;
    std::string className;
    std::string instanceId;
    std::string clientId;
    bool operator==(const FollowUp&) const = default;
};

// The follow-ups a dispatched request triggers, in order; none unless "r" is set.
std::vector<FollowUp> followUps(const nlohmann::json& reply);

}  // namespace nolt
