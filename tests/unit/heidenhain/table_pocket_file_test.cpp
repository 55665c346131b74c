// The pocket table file of the TNC 426: header columns, data lines up to
// "[END]", a first line that widens the last column, and files of another form.
#include <gtest/gtest.h>

#include "heidenhain/tables/table_pocket_file.h"
#include "tests/support/capturing_event_sink.h"

namespace heidenhain {
namespace {

using Rows = std::vector<TableRow>;

TEST(PocketTableFile, RowsStandBelowTheirHeaderNames) {
    const auto file = convertTNC426PocketTableBuffer("BEGIN TOOL_P.TCH MM\r\nP   T     TNAME\r\n1   5     DRILL\r\n[END]\r\n");
    EXPECT_EQ(file.rows, (Rows{{{"P", "1"}, {"T", "5"}, {"TNAME", "DRILL"}}}));
    ASSERT_EQ(file.columns.size(), 4u);
    EXPECT_EQ(file.columns[3].name, "end");
    EXPECT_EQ(file.columns[3].offset, 15u);

    EXPECT_TRUE(convertTNC426PocketTableBuffer("BEGIN\nP   T\n1   5").rows.empty()) << "two line ends hold no row";
    EXPECT_TRUE(convertTNC426PocketTableBuffer("BEGIN\nP T\n1 5\n[END]").rows.empty());
    EXPECT_EQ(convertTNC426PocketTableBuffer("BEGIN\nP  T  \n+1 5  \n2 \n\n").rows,
              (Rows{{{"P", "+1"}, {"T", "5"}}}))
        << "a plus sign stays; a line shorter than the header ends the rows";
}

TEST(PocketTableFile, FirstDataLineMayWidenTheLastColumnForEveryLine) {
    const auto file = convertTNC426PocketTableBuffer(
        "BEGIN\nP T NAME\n1 2 LONG NAME\n2 3 SHORTER  \n3 4 SHORT\n5 6 NEVER READ\n[END]\n");
    EXPECT_EQ(file.rows, (Rows{{{"P", "1"}, {"T", "2"}, {"NAME", "LONG NAME"}},
                               {{"P", "2"}, {"T", "3"}, {"NAME", "SHORTER"}}}));
    EXPECT_EQ(file.columns.back().offset, 13u);
}

TEST(PocketTableFile, OtherContentGivesNoRowsAndAWarning) {
    testsupport::CapturingEventSink log;
    const std::string buffer = "<html>" + std::string(50, 'x');
    EXPECT_TRUE(convertTNC426PocketTableBuffer(buffer).rows.empty());
    EXPECT_TRUE(convertTNC426PocketTableBuffer("").rows.empty());
    const auto entries = log.entriesOf(platform::kAgentEventSource);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].type, platform::EventWarning);
    EXPECT_EQ(entries[0].text,
              "heidenhain::convertTNC426PocketTableBuffer\tThe downloaded pocket table file does match the known "
              "format. First 40 bytes: " + buffer.substr(0, 40) + "\n");
}

}  // namespace
}  // namespace heidenhain
