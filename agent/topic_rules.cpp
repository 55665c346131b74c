#include "agent/topic_rules.h"

#include <cstdint>

#include "platform/utf8.h"

namespace nolt {
namespace {

bool isControl(std::uint32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool isNonCharacter(std::uint32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

}  // namespace

std::optional<std::string> topicNameProblem(std::string_view topic) {
    if (topic.empty()) return "it is empty";
    if (topic.size() > kMaxTopicBytes) {
        return "it is " + std::to_string(topic.size()) + " bytes long, at most " + std::to_string(kMaxTopicBytes) +
               " are allowed";
    }
    for (std::size_t at = 0; at < topic.size();) {
        std::uint32_t c = 0;
        const std::size_t length = platform::decodeUtf8(topic, at, c);
        if (length == 0) return "it is not valid UTF-8 at byte " + std::to_string(at);
        if (c == '+' || c == '#') return "it holds the wildcard " + std::string(1, static_cast<char>(c));
        if (isControl(c)) return "it holds the control character " + std::to_string(c) + " at byte " + std::to_string(at);
        if (isNonCharacter(c)) return "it holds a Unicode non-character at byte " + std::to_string(at);
        at += length;
    }
    return std::nullopt;
}

std::optional<std::string> topicLevelProblem(std::string_view level) {
    if (auto problem = topicNameProblem(level)) return problem;
    if (level.find('/') != std::string_view::npos) return "it holds a /";
    return std::nullopt;
}

bool topicMatches(std::string_view filter, std::string_view topic) {
    while (true) {
        const auto filterEnd = filter.find('/');
        const auto topicEnd = topic.find('/');
        const auto filterLevel = filter.substr(0, filterEnd);
        if (filterLevel == "#") return true;
        if (filterLevel != "+" && filterLevel != topic.substr(0, topicEnd)) return false;
        if (filterEnd == std::string_view::npos || topicEnd == std::string_view::npos) {
            // "a/#" also matches "a".
            return filterEnd == topicEnd || (topicEnd == std::string_view::npos && filter.substr(filterEnd + 1) == "#");
        }
        filter.remove_prefix(filterEnd + 1);
        topic.remove_prefix(topicEnd + 1);
    }
}

}  // namespace nolt
