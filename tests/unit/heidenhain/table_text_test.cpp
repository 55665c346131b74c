// The text layer of the fixed-width tables: cells trimmed, lines cut by a
// layout, layouts of GetTableInfo, and the table file that carries a row.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "heidenhain/tables/table_pocket_file.h"
#include "heidenhain/tables/table_text.h"

namespace heidenhain {
namespace {

LineLayout layout(std::vector<TableColumn> entries, std::size_t columns) { return {std::move(entries), columns}; }

TEST(TableText, CellsLoseOneLeadingPlusAndTrailingWhitespaceOnly) {
    EXPECT_EQ(trimTableCell("+12.5    "), "12.5");
    EXPECT_EQ(trimTableCell("-3"), "-3");
    EXPECT_EQ(trimTableCell("  7"), "  7");
    EXPECT_EQ(trimTableCell("++1 \t\r"), "+1");
    EXPECT_EQ(trimTableCell("+   "), "");
    EXPECT_EQ(trimTableCell("A B "), "A B");
}

TEST(TableText, LinesAreCutRelativeToTheFirstColumnAndEndWhereTheLineEnds) {
    // Offsets as a control may give them, counted from 1.
    const auto fourColumns = layout({{"A", 1}, {"B", 4}, {"C", 7}, {"D", 11}, {"end", 16}}, 4);
    EXPECT_EQ(rowOfLine("+1 2  333 +4.5 ", fourColumns),
              (TableRow{{"A", "1"}, {"B", "2"}, {"C", "333"}, {"D", "4.5"}}));
    EXPECT_EQ(rowOfLine("1  2  33", fourColumns), (TableRow{{"A", "1"}, {"B", "2"}, {"C", "33"}}))
        << "a line that ends inside column 2 cuts it there";
    EXPECT_EQ(rowOfLine("1  2  333 ", fourColumns), (TableRow{{"A", "1"}, {"B", "2"}, {"C", "333"}}))
        << "a line that ends where column 3 starts has no column 3";
    EXPECT_EQ(rowOfLine("", fourColumns), TableRow{});
    EXPECT_EQ(rowOfLine("1  2  3  4  5  6  7", layout({{"A", 0}, {"B", 3}, {"C", 6}, {"end", 9}}, 2)),
              (TableRow{{"A", "1"}, {"B", "2"}}))
        << "entries past the columns only mark ends";
    EXPECT_EQ(rowOfLine("1       5     DRILL" + std::string(70, ' ') + "ST F", pocketLineLayout()),
              (TableRow{{"P", "1"}, {"T", "5"}, {"TNAME", "DRILL"}}))
        << "the pocket columns after TNAME are never read";
}

// The control counts offsets in characters: "Ø" and "ü" take two bytes each in
// UTF-8 but one column, in the lines read and in the table file written.
TEST(TableText, ColumnsCountCharactersNotBytes) {
    const auto threeColumns = layout({{"T", 0}, {"NAME", 4}, {"L", 14}, {"end", 20}}, 3);
    EXPECT_EQ(rowOfLine("5   FRÄSER_Ø8 +71.5 ", threeColumns), (TableRow{{"T", "5"}, {"NAME", "FRÄSER_Ø8"}, {"L", "71.5"}}));
    EXPECT_EQ(rowOfLine("5   Ü", threeColumns), (TableRow{{"T", "5"}, {"NAME", "Ü"}}));
    EXPECT_EQ(tableFileText("BEGIN tool.t MM", "T", "5", {{"NAME", "Ø8"}}), "BEGIN tool.t MM\nT NAME \n5 Ø8   \n");
    EXPECT_EQ(convertTNC426PocketTableBuffer("BEGIN\nP   T   TNAME\n1   5   Ø_ü   \n2   6   DRILL \n[END]\n").rows,
              (std::vector<TableRow>{{{"P", "1"}, {"T", "5"}, {"TNAME", "Ø_ü"}}, {{"P", "2"}, {"T", "6"}, {"TNAME", "DRILL"}}}));
}

TEST(TableText, LayoutsOfTableInfoNeedAPositionAfterEveryColumn) {
    const std::vector<std::string> titles{"T", "NAME", "L", "R", "[END]"};
    const auto five = layoutOfTableInfo(titles, {0, 6, 23, 35, 47});
    EXPECT_TRUE(usable(five));
    EXPECT_EQ(five.columns, 4u);
    EXPECT_EQ(five.entries.size(), 5u);
    EXPECT_EQ(five.entries[3].name, "R");
    EXPECT_EQ(five.entries[4].offset, 47u);
    const auto four = layoutOfTableInfo(titles, {0, 6, 23, 35});
    EXPECT_FALSE(usable(four)) << "5 titles and 4 positions";
    EXPECT_EQ(four.entries.size(), 4u);
    EXPECT_FALSE(usable(layoutOfTableInfo({"T", "[END]"}, {})));
    EXPECT_EQ(layoutOfTableInfo({"T", "[END]"}, {0, 6, 9}).entries.size(), 3u) << "more positions than titles";
}

TEST(TableText, TableFileCarriesTheKeyFirstAndRefusesWhatItCannotHold) {
    EXPECT_EQ(tableFileText("BEGIN tool.t MM", "T", "5", {{"NAME", "DRILL_5"}}),
              "BEGIN tool.t MM\nT NAME    \n5 DRILL_5 \n");
    EXPECT_EQ(tableFileText("BEGIN tool_p.tch MM", "P", "12", {{"T", " "}}), "BEGIN tool_p.tch MM\nP  T \n12   \n")
        << "a blank value is padded to its name";
    EXPECT_EQ(tableFileText("BEGIN tool.t MM", "T", "  5", {{"L", "  7"}}), "BEGIN tool.t MM\nT   L   \n  5   7 \n")
        << "leading spaces stay inside the column, as in the control's right-aligned numbers";
    std::string names, values;
    appendTableColumn(names, values, "DOC", "LONG_COMMENT");
    EXPECT_EQ(names, "DOC          ");
    EXPECT_EQ(values, "LONG_COMMENT ");
    // Whitespace inside a value or key would split it, in a name move the
    // columns, a line break add a line: refused, never changed.
    const std::pair<std::string, TableRow> refused[] = {
        {"5", {{"NAME", "DRILL 5"}}}, {"5", {{"L", "7 "}}}, {"5\n6", {}}, {"5", {{"NA ME", "X"}}}, {"5", {{"", "X"}}}};
    for (const auto& [key, row] : refused)
        EXPECT_THROW(tableFileText("BEGIN tool.t MM", "T", key, row), std::invalid_argument) << key;
    EXPECT_THAT([&] { tableFileText("BEGIN tool.t MM", "T", "5", {{"NAME", "A\tB"}}); },
                testing::ThrowsMessage<std::invalid_argument>(testing::StrEq(
                    "Invalid value 'A\tB' of column NAME for a table file: it must not contain whitespace")));
}

}  // namespace
}  // namespace heidenhain
