#include "agent/request_scan.h"

#include <algorithm>

#include "agent/json_literal.h"
#include "agent/topic_rules.h"

namespace nolt {
namespace {

// Raw values longer than this are not read: a topic escapes to at most six
// characters per byte, and an id is a short correlation value.
constexpr std::size_t kMaxRawSender = 6 * kMaxTopicBytes + 2;
constexpr std::size_t kMaxRawId = 1024;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Tracks the members of the top-level object while the scan walks the text.
class TopLevelMembers {
public:
    explicit TopLevelMembers(std::string_view text, RequestScan& scan) : text_(text), scan_(scan) {}
    void objectOpened() { expectingKey_ = true; }
    void stringStarts(std::size_t at) {
        if (expectingKey_) keyStart_ = at;
    }
    void stringEnds(std::size_t at) {
        if (!expectingKey_) return;
        key_ = text_.substr(keyStart_, at + 1 - keyStart_);
        expectingKey_ = false;
    }
    void colon(std::size_t at) { valueStart_ = at + 1; }
    void valueEnds(std::size_t at) {
        if (valueStart_ == std::string_view::npos) return;
        const auto value = trimmed(text_.substr(valueStart_, at - valueStart_));
        if (key_ == "\"sender\"") scan_.sender = value;
        if (key_ == "\"id\"") scan_.id = value;
        valueStart_ = std::string_view::npos;
    }
    void comma(std::size_t at) {
        valueEnds(at);
        expectingKey_ = true;
    }

private:
    std::string_view text_;
    RequestScan& scan_;
    bool expectingKey_ = false;
    std::size_t keyStart_ = 0;
    std::string_view key_;
    std::size_t valueStart_ = std::string_view::npos;
};

}  // namespace

RequestScan scanRequest(std::string_view text) {
    RequestScan scan;
    TopLevelMembers members(text, scan);
    std::size_t depth = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        switch (c) {
            case '"':
                if (depth == 1) members.stringStarts(at);
                at = literalEnd(text, at + 1);
                if (at == std::string_view::npos) return scan;
                if (depth == 1) members.stringEnds(at);
                break;
            case '{':
            case '[':
                if (depth == 0 && c == '{') members.objectOpened();
                scan.depth = std::max(scan.depth, ++depth);
                break;
            case '}':
            case ']':
                if (depth == 1) members.valueEnds(at);
                if (depth > 0) --depth;
                break;
            case ':':
                if (depth == 1) members.colon(at);
                break;
            case ',':
                if (depth == 1) members.comma(at);
                break;
            default:
                break;
        }
    }
    return scan;
}

std::optional<std::string> scannedSender(const RequestScan& scan) {
    if (scan.sender.empty() || scan.sender.size() > kMaxRawSender) return std::nullopt;
    auto value = nlohmann::json::parse(scan.sender, nullptr, false);
    if (!value.is_string()) return std::nullopt;
    return value.get<std::string>();
}

nlohmann::json scannedId(const RequestScan& scan) {
    if (scan.id.empty() || scan.id.size() > kMaxRawId) return nullptr;
    auto value = nlohmann::json::parse(scan.id, nullptr, false);
    return value.is_discarded() ? nlohmann::json() : value;
}

}  // namespace nolt
