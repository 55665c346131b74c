#include "client/remote_call.h"

#include <algorithm>
#include <atomic>
#include <ostream>
#include <sstream>

#include "agent/topics.h"
#include "client/call_arguments.h"
#include "client/client_error.h"
#include "client/listings.h"

namespace nolt::client {
namespace {

std::string seconds(std::chrono::milliseconds bound) {
    std::ostringstream text;
    text << bound.count() / 1000.0;
    return text.str();
}

// Requests to a function that the class does not have, or to an instance
// that does not exist, would wait for a reply that never comes. Returns the
// keys of the function's overloads that the class info lists.
std::vector<std::string> checkTarget(BrokerLink& link, const AgentEntry& agent, const std::string& className,
                                     const std::string& instance, const std::string& function) {
    const auto info = findClass(link, agent, className);
    const bool isStatic = instance == kStaticLevel;
    std::vector<std::string> keys;
    for (const auto& key : info.value(isStatic ? "staticFunctions" : "memberFunctions", nlohmann::json::array())) {
        if (key.is_string() && functionName(key.get<std::string>()) == function) keys.push_back(key.get<std::string>());
    }
    if (keys.empty() && !(isStatic && function == "__create__")) {
        throw ClientError("Unknown function: " + className + (isStatic ? "/__static__/" : ".") + function +
                          " (see: functions " + agent.prefix + " " + className + ")");
    }
    if (isStatic) return keys;
    if (instance.empty() || instance.find_first_of("/+#") != std::string::npos) {
        throw ClientError("Invalid instance: \"" + instance + "\"");
    }
    resultOf(callRemote(link, agent, className, kStaticLevel, "__getNamed__", {{"_1", instance}}));
    return keys;
}

}  // namespace

nlohmann::json callRemote(BrokerLink& link, const AgentEntry& agent, const std::string& className,
                          const std::string& instance, const std::string& function, const nlohmann::json& data) {
    static std::atomic<int> nextId{1};
    const std::string id = "call-" + std::to_string(nextId++);
    const std::string topic = agent.prefix + "/" + className + "/" + instance + "/" + function;
    link.publish(topic, nlohmann::json{{"sender", link.replyTopic()}, {"id", id}, {"data", data}}.dump());
    auto reply = link.waitForReply(
        [&](const Received& message) {
            auto json = nlohmann::json::parse(message.payload, nullptr, false);
            return json.is_object() && json.value("id", nlohmann::json()) == id;
        },
        link.bound());
    if (!reply) {
        if (link.interrupted()) throw ClientError("Interrupted while waiting for the reply on " + topic);
        throw ClientError("No reply within " + seconds(link.bound()) + " s to the request on " + topic, kExitTimeout);
    }
    return nlohmann::json::parse(reply->payload);
}

nlohmann::json resultOf(const nlohmann::json& reply) {
    const auto& data = reply.at("data");
    if (data.contains("e")) {
        const auto& e = data["e"];
        throw ClientError(e.is_string() ? e.get<std::string>() : e.dump());
    }
    return data.value("r", nlohmann::json());
}

int callCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err) {
    expectWords(line, 4, SIZE_MAX, "call AGENT CLASS INSTANCE FUNCTION [ARG...]");
    const std::vector<std::string> words(line.words.begin() + 4, line.words.end());
    callData(words);  // malformed JSON is refused before the broker is asked
    const AgentEntry agent = findOnlineAgent(link, line.words[0], line.broker.domain);
    const auto keys = checkTarget(link, agent, line.words[1], line.words[2], line.words[3]);
    const auto data = fitArguments(words, line.words[3], keys);
    const auto reply = callRemote(link, agent, line.words[1], line.words[2], line.words[3], data);
    if (line.json) out << reply.dump() << "\n";
    const auto& result = reply.at("data");
    if (result.contains("e")) {
        const auto& e = result["e"];
        std::string message = e.is_string() ? e.get<std::string>() : e.dump();
        // Some of the agent's texts end in a line break of their own.
        while (!message.empty() && message.back() == '\n') message.pop_back();
        err << message << "\n";
        return kExitFailure;
    }
    if (!line.json) out << result.value("r", nlohmann::json()).dump() << "\n";
    return 0;
}

}  // namespace nolt::client
