// SDK values as the texts and JSON values that clients receive.
#include "heidenhain/text/variant_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace heidenhain {
namespace {

using dnc::Variant;
using nlohmann::json;

struct Case {
    Variant value;
    std::string text;
    json asJson;
};

TEST(VariantConversion, EveryTypeToTextAndJson) {
    const Case cases[] = {
        {Variant::fromSigned(dnc::VT_I2, -3), "-3", -3},
        {Variant(std::int32_t{INT32_MIN}), "-2147483648", INT32_MIN},
        {Variant::fromSigned(dnc::VT_INT, 17), "17", 17},
        {Variant::fromSigned(dnc::VT_I8, 9007199254740993LL), "9007199254740993", 9007199254740993LL},
        {Variant::fromUnsigned(dnc::VT_UI2, 65535), "65535", 65535u},
        {Variant::fromUnsigned(dnc::VT_UI4, 4294967295u), "4294967295", 4294967295u},
        {Variant::fromUnsigned(dnc::VT_UINT, 8), "8", 8u},
        {Variant::fromUnsigned(dnc::VT_UI8, UINT64_MAX), "18446744073709551615", UINT64_MAX},
        // A PLC byte keeps its value (not described as a number, see the report).
        {Variant::fromUnsigned(dnc::VT_UI1, 200), "200", 200u},
        // Reals in the shortest text that reads back as the same value; a
        // single-precision one as the value it holds as such.
        {Variant(0.5f), "0.5", 0.5},
        {Variant(0.1f), "0.1", 0.1},
        {Variant(16777216.0f), "16777216", 16777216.0},
        {Variant(3.25), "3.25", 3.25},
        {Variant(1234567.0), "1234567", 1234567.0},
        {Variant(0.1), "0.1", 0.1},
        {Variant(123456789.123), "123456789.123", 123456789.123},
        {Variant(-2.0 / 3.0), "-0.6666666666666666", -2.0 / 3.0},
        {Variant(0.00001), "1e-05", 0.00001},
        {Variant(1e300), "1e+300", 1e300},
        {Variant::fromReal(dnc::VT_DATE, 45000.5), "45000.5", 45000.5},
        {Variant::boolean(true), "1", true},
        {Variant::boolean(false), "0", false},
        {Variant::fromSigned(dnc::VT_I1, 65), "A", 65},
        {Variant("TNC:\\nc_prog\\part.h"), "TNC:\\nc_prog\\part.h", "TNC:\\nc_prog\\part.h"},
        {Variant(""), "", ""},
        {Variant(), "", nullptr},
        {Variant::null(), "", nullptr},
        {Variant::fromSigned(dnc::VT_CY, 10000), "", nullptr},
        {Variant::error(dnc::kFail), "", nullptr},
        {Variant::missing(), "", nullptr},
        {Variant::dispatch(nullptr), "", nullptr},
        {Variant::array(dnc::VT_I4, {Variant(std::int32_t{1})}), "", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(variantToText(c.value), c.text) << "type " << c.value.vt();
        EXPECT_EQ(variantToJson(c.value), c.asJson) << "type " << c.value.vt();
    }
    EXPECT_TRUE(variantToJson(Variant::fromSigned(dnc::VT_I4, -1)).is_number_integer());
    EXPECT_TRUE(variantToJson(Variant::fromUnsigned(dnc::VT_UI4, 1)).is_number_unsigned());
    EXPECT_TRUE(variantToJson(Variant(1.0)).is_number_float()) << "a floating value stays one when whole";
}

}  // namespace
}  // namespace heidenhain
