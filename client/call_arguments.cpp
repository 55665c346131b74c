#include "client/call_arguments.h"

#include <algorithm>

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

nlohmann::json fitArguments(const std::vector<std::string>& words, const std::string& function,
                            const std::vector<std::string>& keys) {
    const nlohmann::json typed = callData(words);
    std::string signature;
    for (std::size_t i = 0; i < words.size(); ++i) signature += typed[argumentKey(i)].type_name();
    const std::string typedKey = signature.empty() ? function : function + "-" + signature;
    if (keys.empty() || std::find(keys.begin(), keys.end(), typedKey) != keys.end()) return typed;

    std::vector<nlohmann::json> fitting;
    std::string overloads;
    for (const auto& key : keys) {
        overloads += (overloads.empty() ? "" : ", ") + readableFunction(key);
        const auto types = parameterTypes(key);
        if (types.size() != words.size()) continue;
        nlohmann::json fitted = typed;
        bool fits = true;
        for (std::size_t i = 0; i < words.size() && fits; ++i) {
            const auto& value = typed[argumentKey(i)];
            if (value.type_name() == types[i]) continue;
            fits = types[i] == "string" && (value.is_number() || value.is_boolean() || value.is_null());
            fitted[argumentKey(i)] = words[i];
        }
        if (fits) fitting.push_back(std::move(fitted));
    }
    if (fitting.size() == 1) return fitting.front();
    if (fitting.empty()) {
        throw ClientError("No " + function + " takes " + readableFunction(typedKey).substr(function.size()) +
                          "; there is: " + overloads);
    }
    throw ClientError("Several overloads of " + function + " fit; quote a text (\"5\") to choose: " + overloads);
}

std::string readableFunction(const std::string& key) {
    std::string text = functionName(key) + "(";
    const auto types = parameterTypes(key);
    for (std::size_t i = 0; i < types.size(); ++i) text += (i ? ", " : "") + types[i];
    return text + ")";
}

}  // namespace nolt::client
