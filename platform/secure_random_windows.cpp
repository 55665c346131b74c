// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include "platform/secure_random.h"

namespace platform {

// The system's generator; OpenSSL is not needed for this alone.
bool secureRandomBytes(unsigned char* buffer, std::size_t size) {
    return BCryptGenRandom(nullptr, buffer, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

}  // namespace platform
