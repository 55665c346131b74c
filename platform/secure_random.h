#pragma once
#include <cstddef>

namespace platform {

// Fills the buffer from the system's cryptographic generator (OpenSSL on
// POSIX, BCryptGenRandom on Windows); false when the source failed.
bool secureRandomBytes(unsigned char* buffer, std::size_t size);

}  // namespace platform
