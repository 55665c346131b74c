#include "host/password.h"

#include <climits>
#include <stdexcept>
#include <string>

#include "platform/secure_random.h"

namespace heidenhain {
namespace {

constexpr std::size_t kAlphabetSize = std::char_traits<char>::length(kPasswordAlphabet);

// Bytes at or above the largest multiple of the alphabet size would favour
// the first characters; they are drawn again.
constexpr std::size_t kUnbiasedLimit = (UCHAR_MAX + 1u) / kAlphabetSize * kAlphabetSize;

}  // namespace

std::string makePassword(const RandomBytes& randomBytes) {
    std::string password;
    unsigned char buffer[2 * kPasswordLength];
    while (password.size() < kPasswordLength) {
        if (!randomBytes(buffer, sizeof buffer))
            throw std::runtime_error("No random bytes for the broker password");
        for (const unsigned char byte : buffer) {
            if (byte >= kUnbiasedLimit) continue;
            password += kPasswordAlphabet[byte % kAlphabetSize];
            if (password.size() == kPasswordLength) break;
        }
    }
    return password;
}

std::string makePassword() { return makePassword(platform::secureRandomBytes); }

}  // namespace heidenhain
