// The pocket table and tools linked to pockets against the simulated controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "tests/unit/heidenhain/source_line.h"
#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

const std::string kMill = "tnc640.test";

class PocketTableTest : public TableSessionTest {};

TEST_F(PocketTableTest, DataAccessPocketsReadLinkedAndUnlinked) {
    auto& mill = connected("tnc640");
    mill.data().setAccessMode("sys", "sim");
    const std::vector<TableRow> pockets = mill.tables().getPocketTable();
    ASSERT_EQ(pockets.size(), 5u);
    EXPECT_EQ(pockets[0], (TableRow{{"P", "0"}, {"T", "1"}, {"TNAME", "MILL_D10"}}));
    EXPECT_EQ(pockets[4], (TableRow{{"P", "4"}, {"T", ""}, {"TNAME", ""}}));

    EXPECT_EQ(mill.tables().getLinkedToolId("3"), "5");
    EXPECT_EQ(mill.tables().getLinkedToolId("4"), "");

    mill.tables().linkToolToPocketTable("4", "0");
    EXPECT_EQ(storedText(kMill, pocketCell("4")), "0");
    mill.tables().unlinkToolFromPocketTable("3");
    EXPECT_EQ(storedText(kMill, pocketCell("3")), "");
    EXPECT_EQ(mill.tables().getLinkedToolId("3"), "");
    mill.tables().unlinkToolFromPocketTable("");  // nothing to do

    EXPECT_EQ(mill.tables().getToolTableRowByPocketId("3"), (TableRow{{"P", "3"}})) << "a free pocket gives only P";
    const TableRow inSpindle = mill.tables().getToolTableRowByPocketId("0");
    EXPECT_EQ(inSpindle.at("P"), "0");
    EXPECT_EQ(inSpindle.at("T"), "1");
    EXPECT_EQ(inSpindle.at("NAME"), "MILL_D10");
}

TEST_F(PocketTableTest, DataAccessLinkedRowsTakeAFreePocketAndAFreeTool) {
    auto& mill = connected("tnc640");
    mill.data().setAccessMode("sys", "sim");
    change(kMill, pocketCell("0"), "");  // the spindle is never a free pocket
    EXPECT_EQ(mill.tables().addLinkedToolTableRow({{"NAME", "PROBE"}, {"L", "80"}}), "4");
    EXPECT_EQ(storedText(kMill, pocketCell("4")), "4") << "tool 4 fills the gap in the numbering";
    EXPECT_EQ(storedText(kMill, toolCell("4", "NAME")), "PROBE");
    EXPECT_EQ(storedText(kMill, toolCell("4", "L")), "80");
    for (const auto& text : {"mill: 4", "mill :linking P: 4 to T: 4", "mill: setting row in tool table"})
        EXPECT_TRUE(logged("setLinkedToolTableRow", text)) << text;
    EXPECT_TRUE(logged("addLinkedToolTableRow", "mill"));

    // Pockets 1 to 4 are taken: nothing is written.
    EXPECT_EQ(mill.tables().addLinkedToolTableRow({{"NAME", "SPARE"}}), "");
    EXPECT_EQ(times("setLinkedToolTableRow", "mill: setting row in tool table"), 1u);
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\6"));

    // Tools 0 to 5 are all named.
    EXPECT_THAT([&] { mill.tables().setLinkedToolTableRow("0", {{"NAME", "SPARE"}}); },
                ThrowsMessage<std::runtime_error>(StrEq("No free tool table row available")));
    EXPECT_EQ(storedText(kMill, pocketCell("0")), "");
}

// The pocket is linked only to a row that was written: a refused row leaves
// it free, not pointing at a tool that does not exist.
TEST_F(PocketTableTest, LinkedRowsLeaveThePocketFreeWhenTheRowIsNotWritten) {
    auto& mill = connected("tnc640");
    mill.data().setAccessMode("sys", "sim");
    dncsim::Simulator::instance().faults().failNext("add_child", 1, dnc::kFail);
    auto& old = connected("itnc530", "old");
    for (auto* s : {&mill, &old}) {
        // The itnc530 refuses a column that its tool table lacks.
        EXPECT_ANY_THROW(s->tables().addLinkedToolTableRow({{"NAME", "PROBE"}, {s == &old ? "NOPE" : "L", "1"}}));
        const std::string host = s == &mill ? kMill : "itnc530.test";
        EXPECT_EQ(storedText(host, pocketCell("4")), "") << host;
        EXPECT_FALSE(tree(host).exists("\\TABLE\\TOOL\\T\\4")) << host;
    }
}

TEST_F(PocketTableTest, DataAccessRemovalByPocket) {
    auto& mill = connected("tnc640");
    mill.tables().removeToolTableRowByPocketId("4");
    EXPECT_TRUE(logged("removeToolTableRowByPocketId", "mill: 4"));
    for (const auto& text : functionTexts())
        EXPECT_FALSE(text.starts_with("heidenhain::removeToolTableRow\t")) << "a free pocket removes nothing";

    mill.tables().removeToolTableRowByPocketId("3");
    EXPECT_EQ(storedText(kMill, pocketCell("3")), "");
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\5"));
    EXPECT_TRUE(logged("removeToolTableRow", "mill removeToolTableRow 5"));
}

TEST_F(PocketTableTest, SetToolWritesNoRowWhenItsPocketIsMissing) {
    auto& mill = connected("tnc640");
    EXPECT_THAT([&] { mill.tables().setTool("9", "8", {{"NAME", "BORE"}}); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Pocket id 9 does not exist in pocket table")));
    EXPECT_FALSE(logged("setTool", "mill: Setting row 8 in tool table"));
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\8"));
}

// A write under way holds the allocation lock: every other tool or pocket
// write waits for it, not only those that search a free row.
TEST_F(PocketTableTest, EveryTableWriteWaitsForTheWriteUnderWay) {
    using namespace std::chrono_literals;
    auto& mill = connected("tnc640");
    mill.data().setAccessMode("sys", "sim");
    SdkGuard::setSdkMutexTimeout(1);
    auto& faults = dncsim::Simulator::instance().faults();
    faults.delay("SetPropertyValue", 10s, 1);
    auto setting = std::async(std::launch::async, [&] { return mill.tables().setTool("4", "", {{"NAME", "BORE"}}); });
    ASSERT_TRUE(faults.awaitDelayedCall("SetPropertyValue", 5s));
    const std::vector<std::pair<std::string, std::function<void()>>> writes = {
        {"setToolTableCell", [&] { mill.tables().setToolTableCell("2", "L", "1"); }},
        {"setToolTableRow", [&] { mill.tables().setToolTableRow("2", {{"L", "1"}}); }},
        {"linkToolToPocketTable", [&] { mill.tables().linkToolToPocketTable("4", "2"); }},
        {"unlinkToolFromPocketTable", [&] { mill.tables().unlinkToolFromPocketTable("3"); }},
        {"clearToolTableRow", [&] { mill.tables().clearToolTableRow("5"); }},
        {"removeToolTableRow", [&] { mill.tables().removeToolTableRow("5"); }},
    };
    for (const auto& [function, write] : writes) {
        EXPECT_THAT(failureOf(write), testing::StartsWith("Could not get SDK lock within 1 seconds for call " + function +
                                                          " other="));
    }
    faults.releaseDelayed();
    EXPECT_FALSE(setting.get().empty());
    SdkGuard::setSdkMutexTimeout(5);
}

}  // namespace
}  // namespace heidenhain
