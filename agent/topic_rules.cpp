#include "agent/topic_rules.h"

#include <cstdint>

namespace nolt {
namespace {

// Length of the UTF-8 sequence at `at` and its code point; 0 when malformed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t decodeUtf8(std::string_view text, std::size_t at, std::uint32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length;
    std::uint32_t minimum;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    return length;
}

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
        const std::size_t length = decodeUtf8(topic, at, c);
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
