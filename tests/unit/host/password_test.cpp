#include "host/password.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace heidenhain {
namespace {

// Hands out the given bytes in order, then fails.
RandomBytes scripted(std::vector<unsigned char> bytes) {
    return [bytes = std::move(bytes), next = std::size_t{0}](unsigned char* buffer,
                                                             std::size_t size) mutable {
        if (next + size > bytes.size()) return false;
        std::memcpy(buffer, bytes.data() + next, size);
        next += size;
        return true;
    };
}

TEST(Password, EightCharactersOfTheAlphabet) {
    EXPECT_EQ(std::strlen(kPasswordAlphabet), 62u);
    for (int i = 0; i < 20; ++i) {
        const auto password = makePassword();
        ASSERT_EQ(password.size(), 8u);
        EXPECT_EQ(password.find_first_not_of(kPasswordAlphabet), std::string::npos) << password;
    }
}

TEST(Password, BytesThatWouldBiasTheAlphabetAreDrawnAgain) {
    std::vector<unsigned char> bytes{248, 0, 255, 61, 62, 247, 250, 123, 10, 36, 249, 1};
    bytes.resize(32, 0);
    EXPECT_EQ(makePassword(scripted(bytes)), "0z0zzAa1");
}

TEST(Password, DrawsAgainWhenABufferHoldsTooFewUsableBytes) {
    std::vector<unsigned char> bytes(32, 255);
    bytes[3] = 5;
    for (unsigned char i = 1; i <= 16; ++i) bytes[15 + i] = i;
    EXPECT_EQ(makePassword(scripted(bytes)), "51234567");
}

TEST(Password, FailingSourceIsAnError) {
    EXPECT_THROW(makePassword(scripted({})), std::runtime_error);
}

}  // namespace
}  // namespace heidenhain
