#include <openssl/evp.h>

#include <stdexcept>

#include "platform/md5.h"

namespace platform {

std::array<unsigned char, 16> md5(const std::string& text) {
    std::array<unsigned char, 16> digest{};
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_md5(), nullptr) != 1 ||
        length != digest.size()) {
        throw std::runtime_error("MD5 of the client id failed");
    }
    return digest;
}

}  // namespace platform
