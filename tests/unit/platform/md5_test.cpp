#include "platform/md5.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

// RFC 1321's own test suite: each platform's provider must agree with it, or
// the agent's client id would differ between builds.
TEST(Md5, MatchesTheReferenceDigests) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {std::string("a\0b", 3), "70350f6027bce3713f6b76473084309b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : cases) EXPECT_EQ(md5Hex(text), digest) << text;
}

}  // namespace
}  // namespace platform
