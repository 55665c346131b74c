#pragma once
// Texts of the SDK's and the platform's failure codes, quoted into every SDK
// error message.
#include <cstdint>
#include <string>
#include <unordered_map>

namespace heidenhain {

// Built on first use, never changed afterwards; safe to read from any thread.
const std::unordered_map<std::int32_t, std::string>& errorTextMap();

// The text of a result code; empty when the code has none.
std::string errorText(std::int32_t code);

}  // namespace heidenhain
