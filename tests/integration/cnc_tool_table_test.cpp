// The tool table through the built executable and a private broker: a tool
// row is read, a new tool set into a free pocket, read back through its
// pocket and removed again.
#include <gtest/gtest.h>

#include "tests/integration/executable_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class ToolTable : public ExecutableFixture {
protected:
    ToolTable() : ExecutableFixture("tool-client") {}
};

TEST_F(ToolTable, SetToolIntoAPocketReadItBackAndRemoveIt) {
    const std::string mill = call("DncShim/__static__/__create__", {{"_1", "mill"}})["r"];
    const std::string session = "DncShim/" + mill + "/";
    ASSERT_TRUE(call(session + "connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());

    const json row = call(session + "getToolTableRow", {{"_1", "2"}});
    ASSERT_FALSE(row.contains("e")) << row;
    EXPECT_EQ(row["r"]["T"], "2");
    EXPECT_EQ(row["r"]["NAME"], "DRILL_D6");

    const json set = call(session + "setTool", {{"_1", "4"}, {"_2", "7"}, {"_3", {{"NAME", "PROBE"}, {"L", "80"}}}});
    ASSERT_EQ(set["r"], "7") << set;
    const json byPocket = call(session + "getToolTableRowByPocketId", {{"_1", "4"}})["r"];
    EXPECT_EQ(byPocket["P"], "4");
    EXPECT_EQ(byPocket["T"], "7");
    EXPECT_EQ(byPocket["NAME"], "PROBE");
    EXPECT_EQ(byPocket["L"], "80");

    EXPECT_TRUE(call(session + "removeTool", {{"_1", "7"}})["r"].is_null());
    EXPECT_EQ(call(session + "getLinkedToolId", {{"_1", "4"}})["r"], "");
    EXPECT_EQ(call(session + "getToolTableRow", {{"_1", "7"}})["e"], "Invalid argument: Tool id 7 does not exist in table");
    EXPECT_TRUE(call(session + "disconnect")["r"].is_null());
}

}  // namespace
