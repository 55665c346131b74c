// Tool and pocket functions on every controller family: what they refuse
// before the first write, ids as the controls pad them, odd rows, and free
// rows that two callers ask for at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "heidenhain/variant_text.h"
#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

const std::vector<std::string> kFamilies{"itnc530", "tnc426", "tnc640"};

struct Refusal {
    std::function<void(DncShim&)> call;
    std::string text;
};

class TableRefusalsTest : public TableSessionTest {
protected:
    // Every stored cell of both tables, to show that a refusal wrote nothing.
    static std::string tables(const std::string& host) {
        std::string text;
        for (const std::string rows : {"\\TABLE\\TOOL\\T", "\\TABLE\\TOOL_P\\P"}) {
            std::vector<std::string> keys;
            tree(host).children(rows, &keys);
            for (const auto& key : keys) {
                std::vector<std::string> columns;
                tree(host).children(rows + "\\" + key, &columns);
                for (const auto& column : columns)
                    text += key + "." + column + "=" + variantToText(stored(host, rows + "\\" + key + "\\" + column)) + ";";
            }
        }
        return text;
    }
    void expectRefusals(const std::string& family, DncShim& s, const std::vector<Refusal>& refusals) {
        const std::string before = tables(family + ".test");
        for (std::size_t i = 0; i < refusals.size(); ++i) {
            EXPECT_THAT([&] { refusals[i].call(s); }, ThrowsMessage<std::exception>(StrEq(refusals[i].text)))
                << family << ", refusal " << i;
        }
        EXPECT_EQ(tables(family + ".test"), before) << family;
    }
};

TEST_F(TableRefusalsTest, BadIdsMissingPocketsAndKeyWritesChangeNothing) {
    const std::string empty = "Invalid argument: Tool id \"\" is not a number";
    const std::string key = "Invalid argument: the key column T of the tool table cannot be written";
    const std::string missing = "Invalid argument: Pocket id 99 does not exist in pocket table";
    const TableRow row{{"NAME", "X"}};
    for (const auto& family : kFamilies) {
        auto& s = connected(family, family);
        expectRefusals(family, s, {
            {[](DncShim& s) { s.removeToolTableRow(""); }, empty},
            {[](DncShim& s) { s.removeTool(""); }, empty},
            {[](DncShim& s) { s.clearToolTableRow(""); }, empty},
            {[](DncShim& s) { s.removeTool("'1.0-3.9'"); }, "Invalid argument: Tool id \"'1.0-3.9'\" is not a number"},
            {[](DncShim& s) { s.setToolTableCell("5", "T", "99"); }, key},
            {[](DncShim& s) { s.setToolTableRow("5", {{"T", "99"}, {"NAME", "X"}}); }, key},
            {[](DncShim& s) { s.setTool("", "4", {{"T", "99"}}); }, key},
            {[](DncShim& s) { s.linkToolToPocketTable("99", "1"); }, missing},
            {[](DncShim& s) { s.getLinkedToolId("99"); }, missing},
            {[](DncShim& s) { s.getToolTableRowByPocketId("99"); }, missing},
            {[](DncShim& s) { s.unlinkToolFromPocketTable("99"); }, missing},
            {[](DncShim& s) { s.removeToolTableRowByPocketId("99"); }, missing},
            {[&](DncShim& s) { s.setTool("99", "4", row); }, missing},
            {[&](DncShim& s) { s.setLinkedToolTableRow("99", row); }, missing},
            {[](DncShim& s) { s.linkToolToPocketTable("4", "9"); }, "Invalid argument: Tool id 9 does not exist in table"},
            {[](DncShim& s) { s.linkToolToPocketTable("4", "5"); }, "Invalid argument: Tool 5 is already in pocket 3"},
        });
    }
}

// The controls pad their numbers ("  5"), and a table edited on the control
// may hold one tool in two pockets.
TEST_F(TableRefusalsTest, PaddedIdsAreTheirNumbersAndARemovedToolLeavesEveryPocket) {
    for (const auto& family : kFamilies) {
        auto& s = connected(family, family);
        const std::string host = family + ".test";
        change(host, pocketCell("3"), "  5");
        change(host, pocketCell("4"), "5");
        EXPECT_EQ(s.getLinkedToolId(" 3 "), "5") << family;
        EXPECT_EQ(s.getToolTableRowByPocketId("3").at("NAME"), "FACE_D50") << family;
        s.removeToolTableRowByPocketId("3");
        EXPECT_EQ(s.getLinkedToolId("3"), "") << family;
        EXPECT_EQ(s.getLinkedToolId("4"), "") << family;
        EXPECT_EQ(s.getLinkedToolId("1"), "2") << family << ": other pockets keep their tools";
        // The TNC 426 cannot delete a row: it clears it.
        if (family == "tnc426") {
            EXPECT_EQ(storedText(host, toolCell("5", "NAME")), "");
        } else {
            EXPECT_FALSE(tree(host).exists("\\TABLE\\TOOL\\T\\5")) << family;
        }
    }
}

// Odd rows (a key that is no number) are never offered and never stop the
// search; two callers asking at once get two rows. The data tree lists its
// tables only behind an access mode, and says so.
TEST_F(TableRefusalsTest, FreeRowsSkipOddRowsAndAreNeverOfferedTwice) {
    const std::string noAccess =
        "The tool and pocket tables cannot be read without an access mode: call setAccessMode first";
    for (const auto& family : kFamilies) {
        auto& s = connected(family, family);
        const std::string host = family + ".test";
        if (family == "tnc640") {
            expectRefusals(family, s, {
                {[](DncShim& s) { s.getPocketTable(); }, noAccess},
                {[](DncShim& s) { s.addLinkedToolTableRow({{"NAME", "X"}}); }, noAccess},
                {[](DncShim& s) { s.setTool("", "", {{"NAME", "X"}}); }, noAccess},
                {[](DncShim& s) { s.setLinkedToolTableRow("4", {{"NAME", "X"}}); }, noAccess},
            });
            s.setAccessMode("sys", "sim");
        }
        for (const std::string tool : {"ABC", "9"}) {
            tree(host).add("\\TABLE\\TOOL\\T\\" + tool + "\\T", dnc::Variant(tool));
            tree(host).add(toolCell(tool, "NAME"), dnc::Variant("ODD"));
        }
        tree(host).add(pocketCell("X", "P"), dnc::Variant("X"));
        tree(host).add(pocketCell("X", "T"), dnc::Variant(""));
        EXPECT_EQ(s.addLinkedToolTableRow({{"NAME", "C"}}), "4") << family;
        EXPECT_EQ(s.getLinkedToolId("4"), "4") << family;

        // The first caller is held inside its write while the second asks.
        const std::string write = family == "tnc640" ? "SetPropertyValue" : "TransmitTablePart";
        sim().faults().delay(write, 500ms, 1, host);
        auto first = std::async(std::launch::async, [&] { return s.setTool("", "", {{"NAME", "A"}}); });
        ASSERT_TRUE(sim().faults().awaitDelayedCall(write, 5s)) << family;
        auto second = std::async(std::launch::async, [&] { return s.setTool("", "", {{"NAME", "B"}}); });
        EXPECT_EQ(first.get(), "6") << family;
        EXPECT_EQ(second.get(), "7") << family;
        sim().faults().clear();
    }
}

}  // namespace
}  // namespace heidenhain
