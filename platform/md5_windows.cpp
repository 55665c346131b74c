// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <stdexcept>

#include "platform/md5.h"

namespace platform {
namespace {

// The provider and the hash object, closed on every way out.
struct Md5Hash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Md5Hash() {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

}  // namespace

// The system's provider, so that OpenSSL is not needed for this alone
// (Windows 7 has no one-shot BCryptHash).
std::array<unsigned char, 16> md5(const std::string& text) {
    Md5Hash md5;
    std::array<unsigned char, 16> digest{};
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
    if (BCryptOpenAlgorithmProvider(&md5.algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0) < 0 ||
        BCryptCreateHash(md5.algorithm, &md5.hash, nullptr, 0, nullptr, 0, 0) < 0 ||
        BCryptHashData(md5.hash, data, static_cast<ULONG>(text.size()), 0) < 0 ||
        BCryptFinishHash(md5.hash, digest.data(), static_cast<ULONG>(digest.size()), 0) < 0) {
        throw std::runtime_error("MD5 of the client id failed");
    }
    return digest;
}

}  // namespace platform
