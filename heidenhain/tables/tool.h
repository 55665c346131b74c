#pragma once
// A tool as the tool functions and the tool change event name it: the tool
// number, its spare tool and its index, all as texts.
#include <string>

#include <nlohmann/json.hpp>

namespace heidenhain {

struct Tool {
    std::string toolId;
    std::string spareToolId;
    std::string toolIndex;

    bool operator==(const Tool&) const = default;
};

inline void to_json(nlohmann::json& json, const Tool& tool) {
    json = nlohmann::json{{"toolId", tool.toolId}, {"spareToolId", tool.spareToolId}, {"toolIndex", tool.toolIndex}};
}

}  // namespace heidenhain
