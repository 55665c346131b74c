#pragma once
// File contents travel through remote calls as Base64 text (RFC 4648,
// standard alphabet, "=" padding).
#include <string>
#include <string_view>

namespace heidenhain {

std::string base64Encode(std::string_view bytes);

// Line breaks and other white space are skipped, decoding ends at the
// padding. Any other character outside the alphabet, text after the padding
// and a lone character at the end throw std::invalid_argument: a part program
// is never handed on cut short.
std::string base64Decode(std::string_view text);

}  // namespace heidenhain
