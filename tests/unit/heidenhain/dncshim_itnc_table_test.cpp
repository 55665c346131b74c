// The fixed-width tables of a session with an older simulated control: rows
// read and trimmed, the cache and its age on the test clock, rows written as
// table files and deleted, the TNC 426 pocket file, lost links and failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <optional>

#include "heidenhain/tables/table_interface_family.h"
#include "heidenhain/tables/table_row.h"
#include "tests/support/fake_clock.h"
#include "tests/unit/heidenhain/data_fixture.h"
#include "tests/unit/heidenhain/source_line.h"

namespace heidenhain {
namespace {

using Rows = std::vector<TableRow>;

class ItncTableTest : public DataSessionTest {
protected:
    DncShim& itnc() {
        auto& mill = connected("itnc530");
        log.clear();
        return mill;
    }
    static void rename(const std::string& host, const std::string& tool, const std::string& name) {
        change(host, "\\TABLE\\TOOL\\T\\" + tool + "\\NAME", name);
    }
    static std::string nameIn(const Rows& rows, const std::string& tool) {
        for (const auto& row : rows)
            if (row.at("T") == tool) return row.at("NAME");
        return "(none)";
    }
    bool tmpIsEmpty() const { return std::filesystem::is_empty(workDir.path() / "tmp"); }
    // The session's own tables; for a newer control, the table interface
    // family over it, which finds no table interface.
    TableInterfaceFamily& tables(DncShim& session) {
        if (auto own = std::dynamic_pointer_cast<TableInterfaceFamily>(session.context().family.get())) return *own;
        strangers.push_back(std::dynamic_pointer_cast<TableInterfaceFamily>(ControllerFamily::forType(session.context(), session.data(), session.files(), "itnc530")));
        return *strangers.back();
    }
    std::vector<std::shared_ptr<TableInterfaceFamily>> strangers;
};

TEST_F(ItncTableTest, RowsAreTheTrimmedCellsOfTheControlsLines) {
    auto& mill = itnc();
    const Rows tools = tables(mill).getItncTable(TOOL_TABLE, "WHERE T >= 0");
    ASSERT_EQ(tools.size(), 5u);
    EXPECT_EQ(tools[4].at("T"), "5");
    EXPECT_EQ(tools[4].at("NAME"), "FACE_D50");
    EXPECT_EQ(tools[4].at("L"), "45.5") << "without the control's plus sign";
    EXPECT_EQ(tools[4].at("TIME1"), "");
    EXPECT_EQ(tools[4].size(), 16u) << "every column of the control's layout";
    EXPECT_EQ(tables(mill).getItncTable(POCKET_TABLE, "WHERE T >= 0"),
              (Rows{{{"P", "0"}, {"T", "1"}, {"TNAME", "MILL_D10"}},
                    {{"P", "1"}, {"T", "2"}, {"TNAME", "DRILL_D6"}},
                    {{"P", "2"}, {"T", "3"}, {"TNAME", "TAP_M8"}},
                    {{"P", "3"}, {"T", "5"}, {"TNAME", "FACE_D50"}},
                    {{"P", "4"}, {"T", ""}, {"TNAME", ""}}}));
    EXPECT_TRUE(tables(mill).getItncTable(TOOL_TABLE, "WHERE T == 4").empty()) << "no matching record is no error";
    EXPECT_TRUE(texts().empty());
}

TEST_F(ItncTableTest, FailuresOfTheControlBecomeTheGuardsTexts) {
    auto& mill = itnc();
    auto& faults = dncsim::Simulator::instance().faults();
    faults.failNext("ReceiveTableLines", 1, dnc::kFail);
    EXPECT_EQ(failureOf([&] { tables(mill).getItncTable(TOOL_TABLE, ""); }),
              "Call _itncTable->ReceiveTableLines produced error (0x80004005): An unspecified failure has occurred "
              "(isConnected:1, heidenhain/table_interface_family.cpp:N)");
    faults.failNext("GetTableInfo", 1, dnc::kBadParameter);
    EXPECT_EQ(failureOf([&] { tables(mill).getItncTable(TOOL_TABLE, ""); }),
              "Call GetTableInfo produced error (0x80040264): One or more of the method parameters is incorrect "
              "(isConnected:1, heidenhain/table_interface_family.cpp:N)");
    faults.failNext("GetTableInfo", 1, dnc::kFail);
    EXPECT_EQ(tables(mill).getItncTable(POCKET_TABLE, "").size(), 5u) << "the pocket layout is known without asking";

    auto& newer = connected("tnc640", "newer");
    EXPECT_EQ(failureOf([&] { tables(newer).getItncTable(TOOL_TABLE, ""); }),
              "newer does not have IJHItncTable interface; cannot call DncShim::getItncTable, "
              "heidenhain/table_interface_family.cpp:N)");
    newer.connection().disconnect();
    EXPECT_EQ(failureOf([&] { tables(newer).deleteItncToolTableRow("1"); }),
              "Unexpected online call CHECK_INTERFACE(ItncTable) while disconnected inDncShim::deleteItncToolTableRow, "
              "heidenhain/table_interface_family.cpp:N)");
}

// A client's call gets the guard's error; the monitor's read has no rows.
TEST_F(ItncTableTest, LostLinkWhileReadingFailsACallAndGivesTheMonitorNoRows) {
    auto& faults = dncsim::Simulator::instance().faults();
    for (const bool monitor : {false, true}) {
        for (const std::string operation : {"ReceiveTableLines", "GetTableInfo"}) {
            auto& mill = itnc();
            int lost = 0;
            mill.connection().onConnectLost([&](std::string) { ++lost; });
            faults.failNext(operation, 1, dnc::kConnectionLost);
            const auto reader = monitor ? ReadFor::Monitor : ReadFor::Client;
            EXPECT_EQ(
                failureOf([&] { EXPECT_TRUE(tables(mill).getItncTable(TOOL_TABLE, "WHERE T >= 0", reader).empty()); }),
                monitor ? ""
                        : "Call _itncTable->" + operation +
                              "(TNC:\\TOOL.T) produced error (0x800406cc): "
                              "Connection to the CNC is lost (isConnected:0, heidenhain/table_interface_family.cpp:N)");
            EXPECT_FALSE(mill.connection().isConnected());
            ASSERT_TRUE(eventsHandled());
            EXPECT_EQ(lost, 1);
            EXPECT_TRUE(loggedAs(platform::EventWarning, "getItncTable",
                                 "mill: Connection to CNC lost at " + operation + " (0x800406cc)."));
            mill.connection().disconnect();
        }
    }
}

TEST_F(ItncTableTest, CachedReadHoldsTheCacheLockUntilTheControlAnswers) {
    using namespace std::chrono_literals;
    auto& mill = itnc();
    auto& sim = dncsim::Simulator::instance();
    SdkGuard::setSdkMutexTimeout(1);
    sim.faults().delay("ReceiveTableLines", 10s, 1);
    auto reading = std::async(std::launch::async,
                              [&] { return failureOf([&] { tables(mill).getCachedItncTable(POCKET_TABLE); }); });
    ASSERT_TRUE(sim.faults().awaitDelayedCall("ReceiveTableLines", 5s));
    EXPECT_EQ(failureOf([&] { tables(mill).getCachedItncTable(TOOL_TABLE, ""); }),
              "Could not get SDK lock within 1 seconds for call getItncTable(TOOL_TABLE) "
              "other=_itncTable->ReceiveTableLines(TNC:\\TOOL_P.TCH) (heidenhain/table_interface_family.cpp:N");
    // The link goes while the control answers: no table, and the guard says why.
    sim.raiseMachineEvent("itnc530.test", dnc::DNC_EVT_STATE_CONNECTION_LOST);
    ASSERT_TRUE(sim.drainEvents());
    sim.faults().releaseDelayed();
    EXPECT_EQ(reading.get(),
              "Machine is not any longer connected after call: "
              "_itncTable->ReceiveTableLines(TNC:\\TOOL_P.TCH) (heidenhain/table_interface_family.cpp:N");
}

TEST_F(ItncTableTest, CachedReadsServeTheFirstRowsFor2000ms) {
    testsupport::FakeClock clock;
    auto& mill = itnc();
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "DRILL_D6");
    rename("itnc530.test", "2", "DRILL_D8");
    clock.advanceMs(2000);
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "DRILL_D6");
    const Rows other = tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T == 2");
    EXPECT_EQ(other.size(), 1u) << "another query is another read, never the rows of the first";
    EXPECT_EQ(nameIn(other, "2"), "DRILL_D8");
    clock.advanceMs(1);
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "DRILL_D8")
        << "older than 2000 ms";

    rename("itnc530.test", "2", "DRILL_D9");
    tables(mill).clearCache();
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "DRILL_D9");

    tables(mill).clearCache();
    EXPECT_TRUE(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T == 4").empty());
    EXPECT_EQ(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0").size(), 5u)
        << "an empty read is never served";

    change("itnc530.test", "\\TABLE\\TOOL_P\\P\\4\\T", "9");
    EXPECT_EQ(tables(mill).getCachedItncTable(POCKET_TABLE).back().at("T"), "9");
    change("itnc530.test", "\\TABLE\\TOOL_P\\P\\4\\T", "");
    EXPECT_EQ(tables(mill).getCachedItncTable(POCKET_TABLE).back().at("T"), "9") << "each table has its cache";
}

TEST_F(ItncTableTest, WrittenRowsKeepTheirValuesAndClearTheCache) {
    testsupport::FakeClock clock;
    auto& mill = itnc();
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "DRILL_D6");
    EXPECT_THROW(tables(mill).setToolRow("2", {{"NAME", "A B\tC"}, {"L", "+71"}}), std::invalid_argument);
    tables(mill).setToolRow("2", {{"NAME", "ABC"}, {"L", "+71"}});
    const Rows tools = tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0");
    EXPECT_EQ(nameIn(tools, "2"), "ABC");
    EXPECT_EQ(tools[2].at("L"), "71");
    EXPECT_EQ(tools[2].at("R"), "3") << "cells the row does not name stay";

    tables(mill).getCachedItncTable(POCKET_TABLE);
    tables(mill).setItncTableCell(POCKET_TABLE, POCKET_TABLE_HEADER, "P", "3", "T", " ");
    EXPECT_EQ(tables(mill).getCachedItncTable(POCKET_TABLE)[3].at("T"), "")
        << "the single space of an unlink is a blank cell";
    tables(mill).setItncTableRow(TOOL_TABLE, TOOL_TABLE_HEADER, "T", "8", {{"NAME", "NEW"}});
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "8"), "NEW") << "a new row";
    EXPECT_TRUE(tmpIsEmpty());
    EXPECT_TRUE(texts().empty());

    EXPECT_THROW(tables(mill).setToolRow("9 OR", {{"NAME", "X"}}), std::invalid_argument);
    dncsim::Simulator::instance().faults().failNext("TransmitTablePart", 1, dnc::kRecordLocked);
    EXPECT_EQ(failureOf([&] {
                  tables(mill).setToolRow("2", {{"NAME", "LOCKED"}});
              }),
              "Call _itncTable->TransmitTablePart(toBSTR(tmpFileName), toBSTR(tableName)) produced error "
              "(0x800402cb): The record to write is already locked. (isConnected:1, "
              "heidenhain/table_interface_family.cpp:N)");
    EXPECT_TRUE(tmpIsEmpty()) << "the file goes also when the control refuses it";
    rename("itnc530.test", "2", "CHANGED");
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "2"), "ABC")
        << "a failed write leaves the cache as it was";

    std::filesystem::remove(workDir.path() / "tmp");
    EXPECT_EQ(failureOf([&] { tables(mill).setToolRow("2", {{"NAME", "X"}}); }), "error on tmpnam_s");
}

TEST_F(ItncTableTest, ToolRowsAreDeletedExceptOnTheTnc426) {
    auto& mill = itnc();
    tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0");
    tables(mill).deleteItncToolTableRow("3");
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "3"), "(none)");
    EXPECT_EQ(texts(), std::vector<std::string>{entry("deleteItncToolTableRow", "mill: 3")});
    EXPECT_TRUE(loggedAs(platform::EventInformation, "deleteItncToolTableRow", "mill: 3"));
    EXPECT_EQ(failureOf([&] { tables(mill).deleteItncToolTableRow("3"); }),
              "Call _itncTable->DeleteRecord(bstrTablePath, bstrQuery) produced error (0x800402c8): Requested record "
              "is not available (isConnected:1, heidenhain/table_interface_family.cpp:N)");
    EXPECT_EQ(failureOf([&] { tables(mill).deleteItncToolTableRow("1 OR T > 0"); }),
              "Invalid argument: Tool id \"1 OR T > 0\" is not a number");
    EXPECT_EQ(nameIn(tables(mill).getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"), "1"), "MILL_D10")
        << "an id that would widen the query deletes nothing";

    auto& old = connected("tnc426", "old");
    log.clear();
    EXPECT_EQ(failureOf([&] { tables(old).deleteItncToolTableRow("1"); }),
              "Method deleteItncToolTableRow not available for controller type tnc426");
    EXPECT_EQ(texts(), std::vector<std::string>{entry(
                           "deleteItncToolTableRow", "old: Method deleteItncToolTableRow not available for controller type tnc426")});
    EXPECT_EQ(tables(old).getItncTable(TOOL_TABLE, "WHERE T == 1").size(), 1u);
}

TEST_F(ItncTableTest, Tnc426PocketTableComesAsAWholeFile) {
    testsupport::FakeClock clock;
    auto& old = connected("tnc426", "old");
    const Rows pockets = tables(old).getCachedItncTable(POCKET_TABLE);
    ASSERT_EQ(pockets.size(), 5u);
    EXPECT_EQ(pockets[3], (TableRow{{"P", "3"}, {"T", "5"}, {"TNAME", "FACE_D50"}, {"ST", ""}, {"F", ""}, {"L", ""}}))
        << "every column of the file";
    EXPECT_TRUE(tmpIsEmpty());
}

}  // namespace
}  // namespace heidenhain
