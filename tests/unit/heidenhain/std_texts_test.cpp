#include "heidenhain/text/std_texts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

namespace heidenhain {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

TEST(ParseInt, AcceptsWhatStoiAccepts) {
    EXPECT_EQ(parseInt("42"), 42);
    EXPECT_EQ(parseInt("  -7abc"), -7);
    EXPECT_EQ(parseInt("+3"), 3);
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
    EXPECT_EQ(parseInt("-2147483648"), -2147483647 - 1);
}

TEST(ParseInt, FailsWithFixedTexts) {
    const auto invalid = ThrowsMessage<std::invalid_argument>(StrEq("invalid stoi argument"));
    EXPECT_THAT([] { parseInt(""); }, invalid);
    EXPECT_THAT([] { parseInt("abc"); }, invalid);
    EXPECT_THAT([] { parseInt("-"); }, invalid);
    const auto range = ThrowsMessage<std::out_of_range>(StrEq("stoi argument out of range"));
    EXPECT_THAT([] { parseInt("2147483648"); }, range);
    EXPECT_THAT([] { parseInt("-2147483649"); }, range);
    EXPECT_THAT([] { parseInt("99999999999999999999999"); }, range);
}

TEST(ParseFloat, AcceptsWhatStofAccepts) {
    EXPECT_FLOAT_EQ(parseFloat("1.5"), 1.5f);
    EXPECT_FLOAT_EQ(parseFloat(" -2.25mm"), -2.25f);
    EXPECT_FLOAT_EQ(parseFloat("1e3"), 1000.0f);
}

TEST(ParseFloat, FailsWithFixedTexts) {
    EXPECT_THAT([] { parseFloat("x1"); },
                ThrowsMessage<std::invalid_argument>(StrEq("invalid stof argument")));
    EXPECT_THAT([] { parseFloat(""); },
                ThrowsMessage<std::invalid_argument>(StrEq("invalid stof argument")));
    EXPECT_THAT([] { parseFloat("1e60"); },
                ThrowsMessage<std::out_of_range>(StrEq("stof argument out of range")));
}

TEST(ParseNumbers, LeaveErrnoAsTheCallerHadIt) {
    errno = EINTR;
    EXPECT_THROW(parseInt("99999999999"), std::out_of_range);
    EXPECT_EQ(errno, EINTR);
    EXPECT_EQ(parseFloat("2"), 2.0f);
    EXPECT_EQ(errno, EINTR);
}

TEST(InvalidMapKey, ThrowsTheMapAccessText) {
    EXPECT_THAT([] { throwInvalidMapKey(); },
                ThrowsMessage<std::out_of_range>(StrEq("invalid unordered_map<K, T> key")));
}

}  // namespace
}  // namespace heidenhain
