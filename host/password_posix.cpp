#include <openssl/rand.h>

#include "host/password.h"

namespace heidenhain {

std::string makePassword() {
    return makePassword([](unsigned char* buffer, std::size_t size) {
        return RAND_bytes(buffer, static_cast<int>(size)) == 1;
    });
}

}  // namespace heidenhain
