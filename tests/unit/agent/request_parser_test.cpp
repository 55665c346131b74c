// Requests parse to what the JSON library's own parser makes of them, with
// long string literals (part programs) decoded outside the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/request_parser.h"

namespace nolt {
namespace {

using nlohmann::json;

std::string longText(char fill) { return std::string(70 * 1024, fill); }

TEST(RequestParser, LongAndShortLiteralsParseAsTheLibraryParsesThem) {
    const std::string base64 = longText('A') + "+/=";
    const std::vector<std::string> requests{
        R"({"sender":"r/c","data":{"_1":"short","_2":[1,2.5,null,true]}})",
        R"({"sender":"r/c","data":{"_1":")" + base64 + R"(","_2":"TNC:\\x.h"}})",
        // The one-letter escapes, as some encoders write "/".
        R"({"data":{"_1":")" + longText('B') + R"(\/\"\\\b\f\n\r\t","_2":")" + longText('C') + R"("}})",
        // A \u escape or a byte beyond ASCII leaves the literal to the library.
        R"({"data":{"_1":")" + longText('D') + R"(\u00d8\ud83d\ude00"}})",
        "{\"data\":{\"_1\":\"" + longText('E') + "\xc3\x98\"}}",
        // Escaped quotes and backslashes next to a literal's end.
        R"({"data":{"_1":")" + longText('I') + R"(\\","_2":")" + longText('J') + R"(\"\\\""}})",
        // Long keys, long literals in arrays and at the top level.
        R"({")" + longText('k') + R"(":[")" + longText('F') + R"(","x",")" + longText('G') + R"("]})",
        "\"" + longText('H') + "\"",
    };
    for (const auto& text : requests) {
        EXPECT_EQ(parseRequest(text), json::parse(text)) << text.substr(0, 60);
    }
}

TEST(RequestParser, BrokenRequestsFailWithTheLibrarysOwnText) {
    const std::vector<std::string> requests{
        R"({"data":{"_1":")" + longText('A') + R"("},})",
        R"({"data":{"_1":")" + longText('A') + R"(" "_2":1}})",
        R"({"data":{"_1":")" + longText('A'),
        "{\"data\":\"" + longText('A') + "\x01\"}",
        R"({"data":{"_1":"x"})",
    };
    for (const auto& text : requests) {
        std::string expected;
        try {
            [[maybe_unused]] const auto parsed = json::parse(text);
        } catch (const json::parse_error& e) {
            expected = e.what();
        }
        ASSERT_FALSE(expected.empty());
        try {
            [[maybe_unused]] const auto parsed = parseRequest(text);
            ADD_FAILURE() << "parsed: " << text.substr(0, 60);
        } catch (const json::parse_error& e) {
            EXPECT_EQ(e.what(), expected);
        }
    }
}

}  // namespace
}  // namespace nolt
