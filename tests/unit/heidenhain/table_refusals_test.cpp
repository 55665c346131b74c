// Tool and pocket functions on every controller family.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "heidenhain/text/variant_text.h"
#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using Call = std::function<void(DncShim&)>;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

class TableRefusalsTest : public TableSessionTest {
protected:
    // Every stored cell of both tables.
    static std::string tables(const std::string& host) {
        std::string text;
        for (const std::string rows : {"\\TABLE\\TOOL\\T", "\\TABLE\\TOOL_P\\P"}) {
            std::vector<std::string> keys, columns;
            tree(host).children(rows, &keys);
            for (const auto& key : keys)
                for (tree(host).children(rows + "\\" + key, &columns); const auto& c : columns)
                    text += variantToText(stored(host, rows + "\\" + key + "\\" + c)) + ";";
        }
        return text;
    }
    void expectRefusals(const std::string& family, DncShim& s, const std::vector<std::pair<Call, std::string>>& calls) {
        const std::string before = tables(family + ".test");
        for (const auto& [call, text] : calls)
            EXPECT_THAT([&] { call(s); }, testing::ThrowsMessage<std::exception>(testing::StrEq(text))) << family;
        EXPECT_EQ(tables(family + ".test"), before) << family << ": nothing written";
    }
    const std::vector<std::string> families{"itnc530", "tnc426", "tnc640"};
};

TEST_F(TableRefusalsTest, BadInputsChangeNothingAndPaddedIdsAreTheirNumbers) {
    const std::string empty = "Invalid argument: Tool id \"\" is not a number";
    const std::string key = "Invalid argument: the key column T of the tool table cannot be written";
    const std::string missing = "Invalid argument: Pocket id 99 does not exist in pocket table";
    for (const auto& family : families) {
        auto& s = connected(family, family);
        expectRefusals(family, s, {
            {[](DncShim& s) { s.tables().removeToolTableRow(""); }, empty},
            {[](DncShim& s) { s.tables().clearToolTableRow(""); }, empty},
            {[](DncShim& s) { s.tables().removeToolTableRow("'1.0-3.9'"); }, "Invalid argument: Tool id \"'1.0-3.9'\" is not a number"},
            {[](DncShim& s) { s.tables().setToolTableCell("5", "T", "99"); }, key},
            {[](DncShim& s) { s.tables().setToolTableRow("5", {{"T", "99"}, {"NAME", "X"}}); }, key},
            {[](DncShim& s) { s.tables().linkToolToPocketTable("99", "1"); }, missing},
            {[](DncShim& s) { s.tables().getLinkedToolId("99"); }, missing},
            {[](DncShim& s) { s.tables().getToolTableRowByPocketId("99"); }, missing},
            {[](DncShim& s) { s.tables().setTool("99", "4", {{"NAME", "X"}}); }, missing},
            {[](DncShim& s) { s.tables().linkToolToPocketTable("4", "9"); }, "Invalid argument: Tool id 9 does not exist in table"},
            {[](DncShim& s) { s.tables().linkToolToPocketTable("4", "5"); }, "Invalid argument: Tool 5 is already in pocket 3"},
        });
        // The control pads its numbers, and a table edited on it may hold a tool twice.
        const std::string host = family + ".test";
        change(host, pocketCell("3"), "  5");
        change(host, pocketCell("4"), "5");
        EXPECT_EQ(s.tables().getLinkedToolId(" 3 "), "5") << family;
        EXPECT_EQ(s.tables().getToolTableRowByPocketId("3").at("NAME"), "FACE_D50") << family;
        s.tables().removeToolTableRowByPocketId("3");
        for (const auto& [pocket, tool] : {std::pair{"3", ""}, {"4", ""}, {"1", "2"}})
            EXPECT_EQ(s.tables().getLinkedToolId(pocket), tool) << family << ", pocket " << pocket;
        // The TNC 426 cannot delete a row: it clears it.
        EXPECT_EQ(tree(host).exists(toolCell("5", "NAME")) ? storedText(host, toolCell("5", "NAME")) : "gone",
                  family == "tnc426" ? "" : "gone");
    }
}

// Odd rows (keys that are no number) are never offered; two callers asking
// at once get two rows; the data tree lists nothing without an access mode.
TEST_F(TableRefusalsTest, FreeRowsSkipOddRowsAndAreNeverOfferedTwice) {
    const std::string noAccess =
        "The tool and pocket tables cannot be read without an access mode: call setAccessMode first";
    for (const auto& family : families) {
        auto& s = connected(family, family);
        const std::string host = family + ".test";
        if (family == "tnc640") {
            expectRefusals(family, s, {{[](DncShim& s) { s.tables().getPocketTable(); }, noAccess},
                                       {[](DncShim& s) { s.tables().addLinkedToolTableRow({}); }, noAccess}});
            s.data().setAccessMode("sys", "sim");
        }
        for (const std::string tool : {"ABC", "9"}) {
            tree(host).add("\\TABLE\\TOOL\\T\\" + tool + "\\T", dnc::Variant(tool));
            tree(host).add(toolCell(tool, "NAME"), dnc::Variant("ODD"));
        }
        tree(host).add(pocketCell("X", "P"), dnc::Variant("X"));
        EXPECT_EQ(s.tables().addLinkedToolTableRow({{"NAME", "C"}}), "4") << family;
        EXPECT_EQ(s.tables().getLinkedToolId("4"), "4") << family;

        // The first caller is held inside its write while the second asks.
        const std::string write = family == "tnc640" ? "SetPropertyValue" : "TransmitTablePart";
        sim().faults().delay(write, 500ms, 1, host);
        auto first = std::async(std::launch::async, [&] { return s.tables().setTool("", "", {{"NAME", "A"}}); });
        ASSERT_TRUE(sim().faults().awaitDelayedCall(write, 5s)) << family;
        EXPECT_EQ(s.tables().setTool("", "", {{"NAME", "B"}}), "7") << family;
        EXPECT_EQ(first.get(), "6") << family;
    }
}

}  // namespace
}  // namespace heidenhain
