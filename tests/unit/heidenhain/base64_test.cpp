// Base64 of file contents: the RFC's vectors, every byte value, the white
// space that mail and editors put in, and the texts that are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "heidenhain/text/base64.h"

namespace heidenhain {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

TEST(Base64, RfcVectorsBothWays) {
    const std::pair<std::string, std::string> vectors[] = {{"", ""},         {"f", "Zg=="},     {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},  {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(base64Encode(bytes), text);
        EXPECT_EQ(base64Decode(text), bytes) << text;
    }
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(base64Decode(base64Encode(all)), all);
    EXPECT_EQ(base64Encode("\xfb\xff"), "+/8=") << "the last two characters of the alphabet";
}

TEST(Base64, WhiteSpaceIsSkippedAndPaddingEndsTheData) {
    EXPECT_EQ(base64Decode("Zm9v\r\nYmFy\n"), "foobar") << "line breaks as mail and editors write them";
    EXPECT_EQ(base64Decode(" Zm9v\tYm E=\n"), "fooba");
    EXPECT_EQ(base64Decode("Zm8"), "fo") << "padding may be left out";
    EXPECT_EQ(base64Decode("Zg=\n=\n"), "f");
}

TEST(Base64, TextsThatWouldLoseOrInventDataAreRefused) {
    EXPECT_THAT([] { base64Decode("Zm9v!YmFy"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Base64 content has an invalid character 0x21 at offset 4")));
    EXPECT_THAT([] { base64Decode("Zm9v-_"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Base64 content has an invalid character 0x2d at offset 4")))
        << "the URL alphabet is not ours";
    EXPECT_THAT([] { base64Decode("Zm\xc3\xa9"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Base64 content has an invalid character 0xc3 at offset 2")));
    EXPECT_THAT([] { base64Decode("Zg==Zg=="); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Base64 content goes on after its padding: character 0x5a at offset 4")));
    EXPECT_THAT([] { base64Decode("Zm9vY"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Base64 content ends in the middle of a byte (5 characters)")));
}

}  // namespace
}  // namespace heidenhain
