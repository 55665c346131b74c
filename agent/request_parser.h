#pragma once
// Parses a request into a JSON value, moving each string out of the parser's
// buffer instead of copying it: a part program arrives as one string of tens
// of MB. Failures throw the JSON library's parse errors, as its own parse does.
#include <string_view>

#include <nlohmann/json.hpp>

namespace nolt {

nlohmann::json parseRequest(std::string_view text);

}  // namespace nolt
