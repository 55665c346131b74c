// Tool and pocket functions on the older controls, whose tables are text
// tables behind the table interface (and, on the TNC 426, pocket cells in the
// data tree).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

const std::string kItnc = "itnc530.test";
const std::string kTnc426 = "tnc426.test";

class TableInterfaceToolsTest : public TableSessionTest {};

TEST_F(TableInterfaceToolsTest, ItncRowsAreReadAndWrittenAsText) {
    auto& old = connected("itnc530", "old");
    const TableRow row = old.tables().getToolTableRow("5");
    EXPECT_EQ(row.at("T"), "5");
    EXPECT_EQ(row.at("NAME"), "FACE_D50");
    EXPECT_EQ(row.at("L"), "45.5");
    EXPECT_TRUE(row.contains("DIRECT.")) << "every column of the text table";

    old.tables().setToolTableCell("3", "R", "4.5");
    EXPECT_EQ(storedText(kItnc, toolCell("3", "R")), "4.5");
    EXPECT_THAT([&] { old.tables().setToolTableRow("2", {{"NAME", "DRILL D8"}, {"L", "71"}}); },
                ThrowsMessage<std::invalid_argument>(StrEq(
                    "Invalid value 'DRILL D8' of column NAME for a table file: it must not contain whitespace")));
    EXPECT_EQ(storedText(kItnc, toolCell("2", "NAME")), "DRILL_D6") << "a value with a blank is refused, not changed";
    old.tables().setToolTableRow("2", {{"T", "2"}, {"NAME", "DRILL_D8"}, {"L", "71"}});
    EXPECT_EQ(storedText(kItnc, toolCell("2", "L")), "71");
    EXPECT_EQ(old.tables().getToolTableCell("2", "T"), "2");
    EXPECT_TRUE(logged("setToolTableRow", "old: 2"));

    old.tables().setToolTableRow("2", {{"NAME", "FRÄSER_Ø8"}, {"L", "71.5"}});
    EXPECT_EQ(old.tables().getToolTableRow("2").at("L"), "71.5") << "a name with umlauts shifts no later column";
    EXPECT_EQ(old.tables().getToolTableCell("2", "NAME"), "FRÄSER_Ø8");
}

TEST_F(TableInterfaceToolsTest, ItncFreeRowsAndTheNullTool) {
    auto& old = connected("itnc530", "old");
    EXPECT_EQ(old.tables().setTool("", "", {{"NAME", "PROBE"}}), "4") << "the gap in 0, 1, 2, 3, 5";
    EXPECT_EQ(storedText(kItnc, toolCell("4", "NAME")), "PROBE");
    EXPECT_EQ(old.tables().setTool("", "", {{"NAME", "SPARE"}}), "6") << "the number after the last row";

    // A read of every row, null tool included, fills the cache; the null
    // tool is not free although it has no name.
    change(kItnc, toolCell("0", "NAME"), "");
    change(kItnc, toolCell("3", "NAME"), "");
    EXPECT_THAT(old.tables().getToolIds(), testing::UnorderedElementsAre("0", "1", "2", "3", "4", "5", "6"));
    EXPECT_EQ(old.tables().setTool("", "", {{"NAME", "TAP_M10"}}), "3");
    EXPECT_EQ(storedText(kItnc, toolCell("0", "NAME")), "");

    EXPECT_THAT([&] { old.tables().setTool("", "5", {{"NAME", "X"}}); },
                ThrowsMessage<std::runtime_error>(StrEq("Tool table row 5 is not empty (NAME=FACE_D50)")));
}

TEST_F(TableInterfaceToolsTest, ItncClearingAndRemovingDeleteTheRowAndFreeThePocket) {
    auto& old = connected("itnc530", "old");
    old.tables().clearToolTableRow("5");
    EXPECT_FALSE(tree(kItnc).exists("\\TABLE\\TOOL\\T\\5"));
    EXPECT_TRUE(logged("deleteItncToolTableRow", "old: 5"));
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "");
    EXPECT_EQ(storedText(kItnc, pocketCell("3")), "");

    old.tables().removeToolTableRow("2");
    EXPECT_FALSE(tree(kItnc).exists("\\TABLE\\TOOL\\T\\2"));
    EXPECT_EQ(old.tables().getLinkedToolId("1"), "");
    EXPECT_EQ(old.tables().getLinkedToolId("2"), "3") << "other pockets keep their tools";
}

TEST_F(TableInterfaceToolsTest, ItncPocketsFromTheCachedTable) {
    auto& old = connected("itnc530", "old");
    const std::vector<TableRow> pockets = old.tables().getPocketTable();
    ASSERT_EQ(pockets.size(), 5u);
    EXPECT_EQ(pockets[3], (TableRow{{"P", "3"}, {"T", "5"}, {"TNAME", "FACE_D50"}})) << "P, T and TNAME only";
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "5");

    // Unlinking writes a single space, which the pocket file drops.
    old.tables().unlinkToolFromPocketTable("3");
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "");
    EXPECT_EQ(old.tables().getToolTableRowByPocketId("3"), (TableRow{{"P", "3"}}));

    EXPECT_EQ(old.tables().addLinkedToolTableRow({{"NAME", "PROBE"}}), "3") << "the first free pocket above 0";
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "4") << "linked to the first free tool";
    const TableRow linked = old.tables().getToolTableRowByPocketId("3");
    EXPECT_EQ(linked.at("NAME"), "PROBE");
    EXPECT_EQ(linked.at("P"), "3");

    old.tables().removeToolTableRowByPocketId("3");
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "");
    EXPECT_FALSE(tree(kItnc).exists("\\TABLE\\TOOL\\T\\4"));
}

TEST_F(TableInterfaceToolsTest, Tnc426ClearingPresetsItsColumnsAndBlanksTheRest) {
    auto& old = connected("tnc426", "old");
    old.tables().clearToolTableRow("5");
    const TableRow row = old.tables().getToolTableRow("5");
    EXPECT_EQ(row.at("T"), "5");
    EXPECT_EQ(row.at("NMAX"), "-");
    EXPECT_EQ(row.at("DIRECT."), "-");
    EXPECT_EQ(row.at("TT:R-OFFS"), "R");
    EXPECT_EQ(storedText(kTnc426, toolCell("5", "NAME")), "");
    EXPECT_EQ(storedText(kTnc426, toolCell("5", "L")), "");
    EXPECT_EQ(old.tables().getLinkedToolId("3"), "") << "its pocket is free";

    old.tables().removeToolTableRow("2");  // clears, as the TNC 426 cannot delete a row
    EXPECT_TRUE(tree(kTnc426).exists("\\TABLE\\TOOL\\T\\2"));
    EXPECT_EQ(storedText(kTnc426, toolCell("2", "NAME")), "");
    EXPECT_EQ(old.tables().getLinkedToolId("1"), "");

    EXPECT_THAT([&] { old.tables().clearToolTableRow("9"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id 9 does not exist in table")));
}

TEST_F(TableInterfaceToolsTest, Tnc426PocketCellsThroughTheDataTree) {
    auto& old = connected("tnc426", "old");
    EXPECT_EQ(old.tables().getLinkedToolId("4"), "");
    old.tables().unlinkToolFromPocketTable("3");
    old.tables().linkToolToPocketTable("4", "5");
    EXPECT_EQ(old.tables().getLinkedToolId("4"), "5") << "the write empties the cache";
    EXPECT_THAT([&] { old.tables().linkToolToPocketTable("4", "drill"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id \"drill\" is not a number")));

    old.tables().unlinkToolFromPocketTable("4");
    EXPECT_EQ(old.tables().getLinkedToolId("4"), "");


    sim().faults().failNext("GetDataEntry", 1, dnc::kNotImplemented);
    EXPECT_THAT([&] { old.tables().unlinkToolFromPocketTable("4"); },
                ThrowsMessage<std::runtime_error>(testing::StartsWith(
                    "Call dataAccess->GetDataEntry(\\TABLE\\TOOL_P\\P\\4\\T) produced error (0x80004001)")));
}

}  // namespace
}  // namespace heidenhain
