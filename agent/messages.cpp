#include "agent/messages.h"

#include <set>

namespace nolt {

nlohmann::json agentInfo(const std::string& status, const std::string& hostname) {
    return {{"status", status}, {"hostname", hostname}};
}

nlohmann::json classInfo(const LocalFactory& factory, const std::string& className) {
    return {{"className", className},
            {"instances", factory.namedInstances(className)},
            {"memberFunctions", factory.memberFunctionKeys(className)},
            {"staticFunctions", factory.staticFunctionKeys(className)}};
}

std::vector<std::string> staticTopics(const LocalFactory& factory, const Topics& topics) {
    std::vector<std::string> result;
    for (const auto& className : factory.classNames()) {
        std::set<std::string> names{"__create__"};
        for (const auto& key : factory.staticFunctionKeys(className)) names.insert(functionName(key));
        for (const auto& name : names) result.push_back(topics.staticFunction(className, name));
    }
    return result;
}

void prepareRequest(nlohmann::json& request, const ReceivedTopic& topic) {
    request["context"] = topic.instance == kStaticLevel ? topic.className : topic.instance;
    request["method"] = topic.function;
}

std::vector<FollowUp> followUps(const nlohmann::json& reply) {
    // Looked at in place: "data" may hold texts of tens of MB.
    const auto found = reply.find("data");
    if (found == reply.end() || !found->is_object() || !found->contains("r")) return {};
    const auto& data = *found;
    const std::string method = reply.value("method", "");
    const std::string className = reply.value("context", "");
    const std::string sender = reply.value("sender", "");
    const auto& result = data["r"];
    if (method == "__create__" && result.is_string()) {
        const std::string id = result;
        return {{FollowUp::SubscribeInstance, className, id, ""}, {FollowUp::RecordInstance, className, id, sender}};
    }
    if (method == "__createNamed__" && result.is_string()) {
        const std::string id = result;
        return {{FollowUp::SubscribeInstance, className, id, ""}, {FollowUp::PublishClassInfo, className, "", ""}};
    }
    if (method == "__delete__" && data.contains("_1") && data["_1"].is_string()) {
        const std::string id = data["_1"];
        // The reserved level holds the class's static topics, not an instance's.
        if (id == kStaticLevel) return {};
        return {{FollowUp::UnsubscribeInstance, className, id, ""},
                {FollowUp::PublishClassInfo, className, "", ""},
                {FollowUp::ForgetInstance, className, id, sender}};
    }
    return {};
}

}  // namespace nolt
