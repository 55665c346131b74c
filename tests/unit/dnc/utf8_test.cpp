// Columns of the control's text tables are counted in characters; a byte
// that is not part of a well-formed sequence must count as one, or every
// column after it shifts.
#include <gtest/gtest.h>

#include <string>

#include "dnc/utf8.h"

namespace {

TEST(Utf8, CountsWellFormedSequencesAndEachByteOutsideThemAsOneCharacter) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0}, {"T 5", 3}, {"\xC3\x98 6", 3}, {"\xE2\x82\xAC", 1}, {"\xF0\x9F\x94\xA7", 1},
        {"a\x80" "b", 3},          // stray continuation byte
        {"\x80\x80", 2},           // continuation bytes only
        {"\xC3", 1},               // lead byte at the end
        {"\xE2\x82" "a", 3},       // sequence cut short
        {"\xC0\x80", 2},           // overlong NUL
        {"\xE0\x80\xAF", 3},       // overlong three-byte form
        {"\xED\xA0\x80", 3},       // surrogate
        {"\xF4\x90\x80\x80", 4},   // past U+10FFFF
        {"\xFF" "a", 2},           // never UTF-8
    };
    for (const auto& [text, count] : cases) EXPECT_EQ(dnc::characterCount(text), count) << testing::PrintToString(text);
}

TEST(Utf8, CutsAndPadsByTheSameCharacters) {
    EXPECT_EQ(dnc::characters("\xC3\x98" "AB", 1, 1), "A");
    EXPECT_EQ(dnc::characters("a\x80" "bc", 2, 2), "bc");
    EXPECT_EQ(dnc::characters("\xE2\x82" "ab", 1, 2), "\x82" "a");
    EXPECT_EQ(dnc::characters("ab", 5, 1), "");
    EXPECT_EQ(dnc::padded("a\x80", 4), "a\x80  ");
}

}  // namespace
