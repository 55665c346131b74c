#pragma once
// The compact JSON text of a reply, exactly as the JSON library writes it
// (invalid UTF-8 from a function's result replaced rather than losing the
// whole reply), but made for replies of tens of MB: the text is measured
// first and written into room of that size, long plain strings are copied as
// they are instead of character by character, and each string leaves the
// message once written, so that the message and its text never stand in
// memory whole side by side.
#include <string>

#include <nlohmann/json.hpp>

namespace nolt {

std::string serializeMessage(nlohmann::json&& message);

}  // namespace nolt
