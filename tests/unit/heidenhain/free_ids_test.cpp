// The searches for a free tool row and a free pocket.
#include "heidenhain/tables/free_ids.h"

#include <gtest/gtest.h>

#include <set>

namespace heidenhain {
namespace {

TableRow tool(const std::string& t, const std::string& name) { return {{"T", t}, {"NAME", name}}; }
TableRow pocket(const std::string& p, const std::string& t) { return {{"P", p}, {"T", t}}; }

TEST(FreeToolRow, GapsBlankNamesAndTheNumberAfterTheLastRow) {
    EXPECT_EQ(firstFreeToolRow({}), "1") << "an empty table starts at 1";
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("2", "B"), tool("4", "D")}), "3");
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("2", "B"), tool("3", "C")}), "4");
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("2", " "), tool("3", "")}), "2") << "a single space is free";
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("2", "")}), "2");
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), {{"T", "2"}}}), "2") << "a line too short for NAME has none";
    EXPECT_EQ(firstFreeToolRow({tool("2", "")}), "1") << "the gap comes before the blank row";
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("1.1", "B"), tool("2", "C")}), "3");
    // A row listed after a higher number neither hides nor fakes a gap.
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("2", "B"), tool("5", "E"), tool("3", "C"), tool("4", "D")}), "6");
    EXPECT_EQ(firstFreeToolRow({tool("3", "C"), tool("1", "A")}), "2");
}

TEST(FreeToolRow, TheNullToolOfACachedFullReadIsNeverOffered) {
    EXPECT_EQ(firstFreeToolRow({tool("0", ""), tool("1", "A"), tool("2", "B")}), "3");
    EXPECT_EQ(firstFreeToolRow({tool("0", "NULLTOOL"), tool("2", "B")}), "1");
    // Rows whose key is no number are never offered and never stop the
    // search; ids padded by the control are their numbers.
    EXPECT_EQ(firstFreeToolRow({tool("x", "A")}), "1");
    EXPECT_EQ(firstFreeToolRow({tool("1", "A"), tool("ABC", ""), tool("", ""), tool("  2 ", "")}), "2");
}

TEST(FreeToolId, SortedByNumberFirstGapOrFirstUnnamedElseNone) {
    const std::set<std::string> named{"0", "1", "2", "3", "5", "10"};
    std::vector<std::string> asked;
    const auto hasName = [&](const std::string& id) {
        asked.push_back(id);
        return named.contains(id);
    };
    EXPECT_EQ(firstFreeToolId({"10", "2", "1", "3"}, hasName), "4") << "10 sorts after 3, not before 2";
    EXPECT_EQ(firstFreeToolId({"0", "1", "2", "3", "5"}, hasName), "4");
    EXPECT_EQ(firstFreeToolId({"0", "1", "2", "3"}, hasName), "") << "all named: none, not the next number";
    EXPECT_EQ(firstFreeToolId({}, hasName), "");
    asked.clear();
    EXPECT_EQ(firstFreeToolId({"1", "2", "7", "3", "4"}, hasName), "4");
    EXPECT_EQ(asked, (std::vector<std::string>{"1", "2", "3", "4"})) << "names asked in numeric order until found";
    EXPECT_EQ(firstFreeToolId({"1", "T2", "", "3"}, hasName), "2");
}

TEST(FreePocketRow, FreePocketsAboveZeroGapsAndTheSpindleCounted) {
    EXPECT_EQ(firstFreePocketRow({}), "1");
    EXPECT_EQ(firstFreePocketRow({pocket("0", "1"), pocket("1", "2"), pocket("2", "")}), "2");
    EXPECT_EQ(firstFreePocketRow({pocket("0", "1"), pocket("1", "2"), pocket("2", "3")}), "4");
    EXPECT_EQ(firstFreePocketRow({pocket("0", ""), pocket("1", "2")}), "3") << "pocket 0 is never free";
    EXPECT_EQ(firstFreePocketRow({pocket("1", "2"), pocket("2", " ")}), "2");
    EXPECT_EQ(firstFreePocketRow({pocket("1", "2"), pocket("5", "3")}), "2") << "a gap in the numbering";
    EXPECT_EQ(firstFreePocketRow({pocket("1", "2"), {{"P", "2"}}}), "2") << "a row without T is free";
    EXPECT_EQ(firstFreePocketRow({pocket("2", "3"), pocket("0", "1"), pocket("1", "2")}), "4");
    EXPECT_EQ(firstFreePocketRow({pocket("0", "1"), pocket("X", ""), pocket("", ""), pocket(" 1", "  ")}), "1");
}

}  // namespace
}  // namespace heidenhain
