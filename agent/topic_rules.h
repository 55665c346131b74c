#pragma once
// MQTT's rules for topic names, checked on every topic built from client
// input before it reaches the broker: a broker answers a bad one by dropping
// the agent's connection.
#include <optional>
#include <string>
#include <string_view>

namespace nolt {

inline constexpr std::size_t kMaxTopicBytes = 65535;

// Why the text cannot be a topic to publish to (empty, too long, not UTF-8,
// a wildcard, a control character or a non-character), or nothing when it can.
std::optional<std::string> topicNameProblem(std::string_view topic);

// Why the text cannot be one level of a topic: a topic name's problems, or a "/".
std::optional<std::string> topicLevelProblem(std::string_view level);

// Whether a topic name matches a subscription filter ("+" one level, "#" the rest).
bool topicMatches(std::string_view filter, std::string_view topic);

}  // namespace nolt
