#include "agent/client_id.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace nolt {

std::string makeClientId(const std::string& domain, const std::string& agent) {
    const std::string text = domain + agent;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        throw std::runtime_error("MD5 of the client id failed");
    }
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return "nolta" + hex.substr(0, 18);
}

}  // namespace nolt
