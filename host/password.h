#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace heidenhain {

inline constexpr const char* kPasswordAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::size_t kPasswordLength = 8;

// Fills the buffer with random bytes; false when the source failed.
using RandomBytes = std::function<bool(unsigned char* buffer, std::size_t size)>;

// The broker password of an installed service: kPasswordLength characters of
// kPasswordAlphabet, each equally likely. Throws std::runtime_error when the
// source fails.
std::string makePassword(const RandomBytes& randomBytes);

// The same from the system's cryptographic generator (OpenSSL on POSIX,
// BCryptGenRandom on Windows).
std::string makePassword();

}  // namespace heidenhain
