#pragma once
// Topic names of the agent and the check of received topics.
#include <string>
#include <vector>

namespace nolt {

inline constexpr const char* kStaticLevel = "__static__";
inline constexpr const char* kClientInfoLevel = "__clientInfo__";
// A client's request that every agent answer with what it retains: on
// DOMAIN/__discover__ for one domain, on __discover__ alone for all.
inline constexpr const char* kDiscoveryLevel = "__discover__";

// Builds the agent's topics under domain + "/" + agent.
class Topics {
public:
    Topics(const std::string& domain, const std::string& agent) : domain_(domain), prefix_(domain + "/" + agent) {}

    const std::string& prefix() const { return prefix_; }
    std::string agentInfo() const { return prefix_ + "/__agentInfo__"; }
    std::string discovery() const { return domain_ + "/" + kDiscoveryLevel; }
    std::string classInfo(const std::string& className) const { return prefix_ + "/" + className + "/__classInfo__"; }
    std::string staticFunction(const std::string& className, const std::string& function) const {
        return instanceFunction(className, kStaticLevel, function);
    }
    std::string instanceFunction(const std::string& className, const std::string& instance,
                                 const std::string& function) const {
        return prefix_ + "/" + className + "/" + instance + "/" + function;
    }

private:
    std::string domain_;
    std::string prefix_;
};

inline std::string clientInfoTopic(const std::string& clientId) { return clientId + "/" + kClientInfoLevel; }

// Every level of a topic, empty ones included.
std::vector<std::string> splitTopic(const std::string& topic);

// What a received topic is: a call (five levels), a client info (four levels,
// the fourth "__clientInfo__"), a discovery request (its last level
// "__discover__", one or two levels) or invalid.
struct ReceivedTopic {
    enum Kind { Call, ClientInfo, Discovery, Invalid };
    Kind kind = Invalid;
    std::string className;  // call
    std::string instance;   // call
    std::string function;   // call
    std::string clientId;   // client info
};

ReceivedTopic classifyTopic(const std::string& topic);

// The function name of a function key (the part before the first "-").
std::string functionName(const std::string& key);

}  // namespace nolt
