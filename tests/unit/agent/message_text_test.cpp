// Replies are written exactly as the JSON library writes them, long texts
// included, and the message gives its texts up as they are written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/message_text.h"

namespace nolt {
namespace {

using nlohmann::json;

std::string libraryText(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

TEST(MessageText, WritesWhatTheLibraryWrites) {
    const std::string program(100 * 1024, 'G');
    const std::vector<json> messages{
        json::object(),
        {{"sender", "r/c"}, {"id", 7}, {"data", {{"r", nullptr}}}},
        {{"data", {{"r", {1, -2, 3.25, 1e300, 18446744073709551615u, true, false, nullptr, json::array()}}}}},
        {{"data", {{"_1", program}, {"r", program + "\n"}}}},
        // Escapes, DEL and the characters the library writes as \u00XX.
        {{"data", {{"e", "quote \" backslash \\ slash / tab \t cr \r nl \n bell \x07 del \x7f"}}}},
        {{"ke\"y\n", {{"", "x"}}}},
        // Valid UTF-8 as it is, invalid bytes replaced.
        {{"data", {{"r", "\xc3\x98 \xf0\x9f\x98\x80"}, {"e", std::string("a\xff") + "b\xc3"}}}},
        {{"data", {{"r", program + "\xc3\x98" + program}}}},
        json::array({json::array({json::array()}), "x"}),
        "top",
    };
    for (const auto& message : messages) {
        json copy = message;
        EXPECT_EQ(serializeMessage(std::move(copy)), libraryText(message)) << libraryText(message).substr(0, 80);
    }
}

TEST(MessageText, TheMessageGivesUpItsTexts) {
    json message = {{"data", {{"_1", std::string(1 << 20, 'A')}, {"r", {"x", 2}}}}};
    const std::string text = serializeMessage(std::move(message));
    EXPECT_EQ(text.size(), (1u << 20) + 30);
    EXPECT_TRUE(message["data"]["_1"].get_ref<const std::string&>().empty());
    EXPECT_EQ(message["data"]["r"][1], 2);
}

}  // namespace
}  // namespace nolt
