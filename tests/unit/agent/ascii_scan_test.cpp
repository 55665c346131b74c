// The many-bytes-at-a-time checks agree with a byte-at-a-time definition for
// every byte value at every position of a step and of the tail.
#include <gtest/gtest.h>

#include <string>

#include "agent/ascii_scan.h"

namespace nolt {
namespace {

TEST(AsciiScan, AgreesWithTheBytewiseDefinitionForEveryByteAndPosition) {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const bool printable = byte >= 0x20 && byte <= 0x7e;
        const bool plain = printable && byte != '"' && byte != '\\';
        for (std::size_t at = 0; at < 83; ++at) {
            std::string text(83, 'A');
            text[at] = static_cast<char>(byte);
            ASSERT_EQ(printableAscii(text), printable) << value << " at " << at;
            ASSERT_EQ(plainJsonText(text), plain) << value << " at " << at;
        }
    }
    EXPECT_TRUE(printableAscii("") && plainJsonText(""));
}

}  // namespace
}  // namespace nolt
