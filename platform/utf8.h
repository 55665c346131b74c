#pragma once
// The one UTF-8 decoder: topic names are checked with it, and the control's
// fixed-width tables are cut by the characters it counts.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

// Length of the UTF-8 sequence at `at` and its code point; 0 when the bytes
// there start no well-formed sequence (overlong forms, surrogates, values past
// U+10FFFF and cut sequences included).
std::size_t decodeUtf8(std::string_view text, std::size_t at, std::uint32_t& codePoint);

}  // namespace platform
