#include "client/call_arguments.h"

#include "agent/arguments.h"
#include "agent/topics.h"
#include "client/client_error.h"

namespace nolt::client {

nlohmann::json callData(const std::vector<std::string>& words) {
    nlohmann::json data = nlohmann::json::object();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        auto value = nlohmann::json::parse(word, nullptr, false);
        if (value.is_discarded()) {
            if (!word.empty() && (word[0] == '{' || word[0] == '[' || word[0] == '"')) {
                throw ClientError("Argument " + std::to_string(i + 1) + " is not valid JSON: " + word);
            }
            value = word;
        }
        data[argumentKey(i)] = std::move(value);
    }
    return data;
}

std::vector<std::string> parameterTypes(const std::string& key) {
    static const char* const kTypeNames[] = {"null", "object", "array", "string", "boolean", "number", "discarded"};
    std::vector<std::string> types;
    const auto dash = key.find('-');
    if (dash == std::string::npos) return types;
    std::string rest = key.substr(dash + 1);
    while (!rest.empty()) {
        bool matched = false;
        for (const char* name : kTypeNames) {
            const std::string type = name;
            if (rest.rfind(type, 0) == 0) {
                types.push_back(type);
                rest.erase(0, type.size());
                matched = true;
                break;
            }
        }
        // Not a signature of type names: shown as it stands.
        if (!matched) return {rest};
    }
    return types;
}

std::string readableFunction(const std::string& key) {
    std::string text = functionName(key) + "(";
    const auto types = parameterTypes(key);
    for (std::size_t i = 0; i < types.size(); ++i) text += (i ? ", " : "") + types[i];
    return text + ")";
}

}  // namespace nolt::client
