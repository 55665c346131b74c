#pragma once
// A look at a request's raw text before anything parses it: how deeply it
// nests, and the raw text of its top-level "sender" and "id". Parsing,
// copying and writing JSON recurse once per level, so a request nested too
// deeply is refused from this scan alone, and answered when its sender can
// be read.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nolt {

// Far beyond any real call, far below what the stack takes.
inline constexpr std::size_t kMaxRequestDepth = 256;

struct RequestScan {
    std::size_t depth = 0;    // deepest nesting of objects and arrays
    std::string_view sender;  // raw JSON text of the value, empty when absent
    std::string_view id;
};

RequestScan scanRequest(std::string_view text);

// The sender as text, when its raw value is a short JSON string.
std::optional<std::string> scannedSender(const RequestScan& scan);
// The id, when its raw value is short valid JSON; null otherwise.
nlohmann::json scannedId(const RequestScan& scan);

}  // namespace nolt
