// Tool rows and cells against the simulated controls of both families.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using dnc::Variant;
using testing::HasSubstr;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

const std::string kMill = "tnc640.test";

class ToolTableTest : public TableSessionTest {};

TEST_F(ToolTableTest, DataAccessRowsAndCellsAndWhatTheyLack) {
    auto& mill = connected("tnc640");
    const TableRow row = mill.tables().getToolTableRow("5");
    EXPECT_EQ(row.size(), 13u) << "the twelve columns and T";
    EXPECT_EQ(row.at("T"), "5");
    EXPECT_EQ(row.at("NAME"), "FACE_D50");
    EXPECT_EQ(row.at("L"), "45.5");
    EXPECT_EQ(row.at("PTYP"), "");
    EXPECT_EQ(mill.tables().getToolTableCell("2", "R"), "3");

    EXPECT_THAT([&] { mill.tables().getToolTableRow("9"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id 9 does not exist in table")));
    EXPECT_THAT([&] { mill.tables().getToolTableCell("5", "XYZ"); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Invalid argument: Field name XYZ does not exist in tool table (with tool id 5)")));
    EXPECT_THAT([&] { mill.tables().getToolTableCell("9", "L"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id 9 does not exist in tool table")));
}

TEST_F(ToolTableTest, SetToolTableRowWritesEveryCellButTheKey) {
    auto& mill = connected("tnc640");
    mill.tables().setToolTableRow("2", {{"T", "2"}, {"NAME", "DRILL_D8"}, {"L", "71.5"}});
    EXPECT_EQ(stored(kMill, toolCell("2", "NAME")), Variant("DRILL_D8"));
    EXPECT_EQ(stored(kMill, toolCell("2", "L")), Variant("71.5"));
    EXPECT_EQ(stored(kMill, toolCell("2", "T")), Variant("2")) << "the key cell is never written";
    EXPECT_TRUE(loggedAs(platform::EventInformation, "setToolTableRow", "mill: 2"));

    mill.tables().setToolTableCell("3", "R", "4.5");
    EXPECT_EQ(stored(kMill, toolCell("3", "R")), Variant("4.5"));

    // Multi-cell writes are not transactional: a column the row lacks fails
    // after the cells before it were written.
    EXPECT_THAT([&] { mill.tables().setToolTableRow("3", {{"XYZ", "1"}}); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Invalid argument: Data path \\TABLE\\TOOL\\T\\3\\XYZ does not exist")));

    sim().faults().failNext("GetDataEntry2", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.tables().setToolTableRow("2", {{"NAME", "X"}}); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Call _dataAccess->GetDataEntry(\\TABLE\\TOOL\\T\\2) produced error (0x80004005): ")));
    EXPECT_EQ(stored(kMill, toolCell("2", "NAME")), Variant("DRILL_D8")) << "nothing written after the failure";
}

TEST_F(ToolTableTest, NewRowsAreAddedByKeyAndRemovedWithTheirIndexedRows) {
    auto& mill = connected("tnc640");
    mill.tables().setToolTableRow("5.2", {{"NAME", "FACE_D50_B"}, {"L", "46"}});
    mill.tables().setToolTableRow("7", {{"NAME", "PROBE"}});
    EXPECT_EQ(mill.tables().getToolTableRow("5.2").at("NAME"), "FACE_D50_B");
    EXPECT_EQ(mill.tables().getToolTableCell("5.2", "T"), "5.2") << "the new row's key";
    EXPECT_EQ(mill.tables().getToolTableCell("5.2", "L"), "46");

    mill.tables().removeToolTableRow("5.2");
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\5.2"));
    EXPECT_EQ(mill.tables().getToolTableCell("5", "NAME"), "FACE_D50") << "an indexed id removes only its own row";
    EXPECT_EQ(stored(kMill, pocketCell("3")), Variant("5")) << "tool 5.2 had no pocket";

    mill.tables().setToolTableRow("5.2", {{"NAME", "FACE_D50_B"}});
    mill.tables().removeToolTableRow("5");
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\5"));
    EXPECT_FALSE(tree(kMill).exists("\\TABLE\\TOOL\\T\\5.2")) << "5 stands for 5.0 to 5.9";
    EXPECT_EQ(mill.tables().getToolTableCell("7", "NAME"), "PROBE");
    EXPECT_EQ(stored(kMill, pocketCell("3")), Variant("")) << "its pocket is free";
    EXPECT_EQ(times("removeToolTableRow", "mill removeToolTableRow 5"), 1u);
}

TEST_F(ToolTableTest, ClearingPutsCellsBackToTheirInitialValuesAndFreesThePocket) {
    auto& mill = connected("tnc640");
    mill.tables().clearToolTableRow("5");
    const TableRow row = mill.tables().getToolTableRow("5");
    EXPECT_EQ(row.at("T"), "5");
    EXPECT_EQ(row.at("NAME"), "") << "a text without initial value is emptied";
    EXPECT_EQ(row.at("L"), "0");
    EXPECT_EQ(row.at("PLC"), "%00000000");
    EXPECT_EQ(stored(kMill, pocketCell("3")), Variant(""));

    mill.tables().clearToolTableRow("2");
    EXPECT_EQ(stored(kMill, pocketCell("1")), Variant(""));
    EXPECT_EQ(stored(kMill, pocketCell("2")), Variant("3")) << "other pockets keep their tools";

    sim().faults().failNext("WriteTreeValues", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.tables().clearToolTableRow("3"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Call rowDataEntry->WriteTreeValues(VARIANT_TRUE) produced error (0x80004005)")));
    EXPECT_EQ(mill.tables().getToolTableCell("3", "NAME"), "TAP_M8") << "nothing written before the tree is";
    EXPECT_EQ(stored(kMill, pocketCell("2")), Variant("3"));
}

TEST_F(ToolTableTest, SetToolIntoTheGivenOrAFreeRowOnDataAccess) {
    auto& mill = connected("tnc640");
    EXPECT_THAT([&] { mill.tables().setTool("4", "2", {{"NAME", "X"}}); },
                ThrowsMessage<std::runtime_error>(StrEq("Tool table row 2 is not empty (NAME=DRILL_D6)")));
    EXPECT_TRUE(logged("setTool", "mill (4, 2)"));
    EXPECT_FALSE(logged("setTool", "mill: Setting row 2 in tool table"));
    EXPECT_EQ(stored(kMill, toolCell("2", "NAME")), Variant("DRILL_D6"));

    // Without the access mode the tool ids cannot be listed.
    EXPECT_THAT([&] { mill.tables().setTool("", "", {{"NAME", "X"}}); },
                ThrowsMessage<std::runtime_error>(StrEq("The tool and pocket tables cannot be read without an access "
                                                        "mode: call setAccessMode first")));
    mill.data().setAccessMode("sys", "sim");
    // Tools 0 to 5 all named: no gap and no blank name.
    tree(kMill).add("\\TABLE\\TOOL\\T\\4\\T", Variant("4"));
    tree(kMill).add(toolCell("4", "NAME"), Variant("PROBE"));
    EXPECT_THAT([&] { mill.tables().setTool("", "", {{"NAME", "X"}}); },
                ThrowsMessage<std::runtime_error>(StrEq("No free tool table row available")));

    change(kMill, toolCell("3", "NAME"), "");
    EXPECT_EQ(mill.tables().setTool("", "", {{"NAME", "TAP_M10"}}), "3") << "the row without a name";
    EXPECT_EQ(stored(kMill, toolCell("3", "NAME")), Variant("TAP_M10"));
    EXPECT_TRUE(logged("setTool", "mill (, )"));

    change(kMill, toolCell("1", "NAME"), "");
    EXPECT_EQ(mill.tables().setTool("", "1", {{"NAME", "MILL_D12"}}), "1") << "a given row without a name is taken";
    EXPECT_TRUE(logged("setTool", "mill: Setting row 1 in tool table"));
    EXPECT_EQ(stored(kMill, toolCell("1", "NAME")), Variant("MILL_D12"));
}

TEST_F(ToolTableTest, MissingRowsAreNamedBeforeAnyTableIsTouched) {
    auto& mill = connected("tnc640");
    EXPECT_THAT([&] { mill.tables().removeToolTableRow("9"); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Invalid argument: Tool id 9 to be removed but does not exist in table")));
    EXPECT_TRUE(logged("removeToolTableRow", "mill removeToolTableRow 9"));
    EXPECT_THAT([&] { mill.tables().removeToolTableRow("9.1"); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Invalid argument: Tool id 9.1 to be removed but does not exist in table")));
    EXPECT_THAT([&] { mill.tables().clearToolTableRow("9"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id 9 does not exist in table")));
    for (const char* id : {"1", "2", "3"}) EXPECT_EQ(mill.tables().getToolTableCell(id, "T"), id);
    EXPECT_EQ(mill.tables().getToolTableCell("2", "NAME"), "DRILL_D6");

    // On the table interface the row is looked for in the data tree first:
    // a failing table read shows that none was made.
    auto& old = connected("itnc530", "old");
    sim().faults().failNext("ReceiveTableLines", dncsim::kEveryCall, dnc::kFail);
    EXPECT_THAT([&] { old.tables().getToolTableRow("9"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Tool id 9 does not exist in table")));
}

TEST_F(ToolTableTest, DataAccessIsRequiredWhereverTheFunctionsUseIt) {
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHDATAACCESS);
    auto& mill = connected("tnc640");
    EXPECT_THAT([&] { mill.tables().setToolTableCell("1", "L", "5"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("mill does not have IJHDataAccess interface; cannot call DncShim::setToolTableCell, ")));
    // Also where the table interface does the writing, and where the TNC 426
    // writes its pocket cells.
    auto& old = connected("itnc530", "old");
    EXPECT_THAT([&] { old.tables().setToolTableRow("1", {{"L", "5"}}); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("old does not have IJHDataAccess interface; cannot call DncShim::setToolTableRow, ")));
    auto& oldest = connected("tnc426", "oldest");
    EXPECT_THAT([&] { oldest.tables().linkToolToPocketTable("4", "5"); },
                ThrowsMessage<std::runtime_error>(StartsWith("oldest does not have IJHDataAccess interface; ")));
    EXPECT_THAT([&] { oldest.tables().unlinkToolFromPocketTable("3"); },
                ThrowsMessage<std::runtime_error>(HasSubstr("cannot call DncShim::unlinkToolFromPocketTable, ")));
}

}  // namespace
}  // namespace heidenhain
