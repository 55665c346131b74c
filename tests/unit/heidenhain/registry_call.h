#pragma once
// A remote call made straight through the registry, as the agent's worker
// makes it: the reply's "r", or its "e" when the call failed.
#include <string>

#include <nlohmann/json.hpp>

#include "agent/local_factory.h"

namespace heidenhain::registry_test {

inline nlohmann::json call(const std::string& context, const std::string& method,
                           nlohmann::json data = nlohmann::json::object()) {
    nlohmann::json message = {{"sender", "c/1/r"}, {"id", 1}, {"context", context}, {"method", method}, {"data", data}};
    nolt::LocalFactory::instance().call(message);
    return message["data"].contains("e") ? message["data"]["e"] : message["data"]["r"];
}

}  // namespace heidenhain::registry_test
