#include "platform/secure_random.h"

#include <openssl/rand.h>

namespace platform {

bool secureRandomBytes(unsigned char* buffer, std::size_t size) {
    return RAND_bytes(buffer, static_cast<int>(size)) == 1;
}

}  // namespace platform
