#pragma once
// MD5, for names derived from other names (the MQTT client id); not for
// anything secret.
#include <array>
#include <string>

namespace platform {

// The digest of text; throws std::runtime_error when the system's hash
// provider fails.
std::array<unsigned char, 16> md5(const std::string& text);

// The same as 32 lower-case hex digits.
std::string md5Hex(const std::string& text);

}  // namespace platform
