// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include "host/password.h"

namespace heidenhain {

// The system's cryptographic generator; OpenSSL is not needed for this alone.
std::string makePassword() {
    return makePassword([](unsigned char* buffer, std::size_t size) {
        return BCryptGenRandom(nullptr, buffer, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
    });
}

}  // namespace heidenhain
