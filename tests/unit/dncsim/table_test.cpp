// The table interface of the simulated older controls: the tool and pocket
// tables of the DataAccess tree as fixed-width text, line queries, table
// files written into the tree, record deletes, the pocket file of the oldest
// control, and faults.
#include <gtest/gtest.h>

#include "dnc/file_result.h"
#include "dncsim/table_file.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/dncsim/sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;
using Cells = std::map<std::string, std::string>;

constexpr const char* kTool = "TNC:\\TOOL.T";
constexpr const char* kPocket = "TNC:\\TOOL_P.TCH";

class TableTest : public SimulatorTest {
protected:
    std::shared_ptr<IJHItncTable> tableOf(const std::string& host, std::int32_t cncType = DNC_CNC_TYPE_ITNC) {
        machines.push_back(connectedMachine(host, cncType));
        std::shared_ptr<Object> object;
        std::shared_ptr<IJHItncTable> table;
        // The newer controls answer without an object.
        if (succeeded(machines.back()->GetInterface(DNC_INTERFACE_TNCTABLE, &object))) {
            EXPECT_EQ(object->QueryInterface(&table), kOk);
        }
        return table;
    }

    // The lines cut at the positions that GetTableInfo gives, cells trimmed.
    static std::vector<Cells> rows(IJHItncTable& table, const std::string& name, const std::string& query) {
        std::vector<std::string> titles, lines;
        std::vector<std::int32_t> positions;
        EXPECT_EQ(table.GetTableInfo(name, &titles, &positions), kOk);
        if (const HRESULT hr = table.ReceiveTableLines(name, query, &lines); failed(hr)) return {{{"error", hexOf(hr)}}};
        std::vector<Cells> result;
        for (const auto& line : lines) {
            EXPECT_EQ(line.size(), static_cast<std::size_t>(positions.back())) << "every line as wide as the table";
            Cells cells;
            for (std::size_t i = 0; i + 1 < titles.size(); ++i) {
                std::string cell = line.substr(positions[i], positions[i + 1] - positions[i]);
                cell.erase(cell.find_last_not_of(' ') + 1);
                cells[titles[i]] = cell;
            }
            result.push_back(cells);
        }
        return result;
    }
    // One column of the matching rows.
    static std::vector<std::string> column(IJHItncTable& table, const std::string& name, const std::string& query,
                                           const std::string& title) {
        std::vector<std::string> cells;
        for (auto& row : rows(table, name, query)) cells.push_back(row.count(title) ? row[title] : row["error"]);
        return cells;
    }
    static std::string hexOf(HRESULT hr) {
        char text[16];
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hr));
        return text;
    }

    std::string treeCell(const std::string& path) const {
        Variant value;
        if (failed(sim().controller("old")->data()->read(path, &value))) return "(none)";
        return value.vt() == VT_BSTR ? value.text() : "(not text)";
    }
    HRESULT send(IJHItncTable& table, const std::string& content, const std::string& name = kTool) {
        const std::string path = (dir.path() / "part.t").string();
        testsupport::writeFile(path, content);
        return table.TransmitTablePart(path, name);
    }

    testsupport::TempDir dir{"dncsim-table"};
    std::vector<std::shared_ptr<IJHMachine>> machines;
};

TEST_F(TableTest, TablesAreFixedWidthTextWithTitlesAndOffsets) {
    auto table = tableOf("old");
    std::vector<std::string> titles;
    std::vector<std::int32_t> positions;
    ASSERT_EQ(table->GetTableInfo(kPocket, &titles, &positions), kOk);
    EXPECT_EQ(titles, (std::vector<std::string>{"P", "T", "TNAME", "ST", "F", "L", "[END]"}));
    EXPECT_EQ(positions, (std::vector<std::int32_t>{0, 8, 14, 89, 93, 96, 99}))
        << "P, T and TNAME where every client of the interface reads them";
    ASSERT_EQ(table->GetTableInfo("tnc:\\tool.t", &titles, &positions), kOk) << "names without regard to case";
    EXPECT_EQ(titles.size(), positions.size());
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + 4),
              (std::vector<std::string>{"T", "NAME", "L", "R"}));
    EXPECT_EQ(table->GetTableInfo("TNC:\\OTHER.T", &titles, &positions), kBadParameter);

    std::vector<std::string> lines;
    ASSERT_EQ(table->ReceiveTableLines(kTool, "WHERE T == 5", &lines), kOk);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 47), "5     FACE_D50         +45.5       +25         ")
        << "lengths and radii carry their sign";
    EXPECT_EQ(rows(*table, kTool, "WHERE T == 0")[0]["L"], "+0");
}

TEST_F(TableTest, QueriesCompareNumbersAsNumbersAndEverythingElseAsText) {
    auto table = tableOf("old");
    const auto ids = [&](const std::string& query) { return column(*table, kTool, query, "T"); };
    using Ids = std::vector<std::string>;
    EXPECT_EQ(ids("WHERE T >= 0"), (Ids{"0", "1", "2", "3", "5"}));
    EXPECT_EQ(ids("WHERE T > 2"), (Ids{"3", "5"})) << "5 > 2 also where texts would order them otherwise";
    EXPECT_EQ(ids("WHERE T < 2"), (Ids{"0", "1"}));
    EXPECT_EQ(ids("WHERE T <= 2"), (Ids{"0", "1", "2"}));
    EXPECT_EQ(ids("WHERE T != 1"), (Ids{"0", "2", "3", "5"}));
    EXPECT_EQ(ids("where L == 45.50"), (Ids{"5"}));
    EXPECT_EQ(ids("WHERE NAME == TAP_M8"), (Ids{"3"}));
    EXPECT_EQ(ids("WHERE NAME > M"), (Ids{"0", "1", "3"}));
    EXPECT_EQ(ids(""), (Ids{"0", "1", "2", "3", "5"})) << "no condition, every row";
    EXPECT_EQ(ids("WHERE T == 4"), (Ids{"800402c8"}));
    for (const char* bad : {"WHERE T", "WHERE T ~ 1", "WHERE X == 1", "SELECT T == 1", "WHERE T == 1 2"})
        EXPECT_EQ(ids(bad), (Ids{"80040264"})) << bad;

    EXPECT_EQ(column(*table, kPocket, "WHERE T >= 0", "P"), (Ids{"0", "1", "2", "3", "4"}))
        << "a free pocket's blank T counts as 0";
    EXPECT_EQ(column(*table, kPocket, "WHERE T >= 0", "TNAME"), (Ids{"MILL_D10", "DRILL_D6", "TAP_M8", "FACE_D50", ""}));
}

TEST_F(TableTest, TableFilesWriteIntoTheTreeAndTreeWritesShowAsText) {
    auto table = tableOf("old");
    EXPECT_EQ(send(*table, "BEGIN tool.t MM\nT NAME   L   \n2 DRILL8 +71 \n7 NEW    12  \n"), kOk);
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\2\\NAME"), "DRILL8");
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\2\\L"), "+71");
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\2\\R"), "3") << "columns the file does not name stay";
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\7\\R"), "") << "a new row has every other column empty";
    EXPECT_EQ(rows(*table, kTool, "WHERE T == 7")[0]["L"], "+12");

    ASSERT_EQ(sim().controller("old")->data()->write("\\TABLE\\TOOL_P\\P\\4\\T", Variant("7")), kOk);
    EXPECT_EQ(column(*table, kPocket, "WHERE T == 7", "P"), (std::vector<std::string>{"4"}));
    EXPECT_EQ(send(*table, "BEGIN TOOL_P.TCH MM\r\nP T\r\n4   \r\n[END]\r\n", kPocket), kOk);
    EXPECT_EQ(treeCell("\\TABLE\\TOOL_P\\P\\4\\T"), "") << "a blank cell empties the pocket";
}

TEST_F(TableTest, RefusedTableFilesWriteNothing) {
    auto table = tableOf("old");
    const std::pair<const char*, HRESULT> refused[] = {
        {"BEGIN tool_p.tch MM\nT NAME\n1 X\n", kInvalidTableData},
        {"T NAME\n1 X\n", kInvalidTableData},
        {"BEGIN tool.t MM\n", kInvalidTableData},
        {"BEGIN tool.t MM\nT COLOUR\n1 red\n", kInvalidTableData},
        {"BEGIN tool.t MM\nNAME\nX\n", kInvalidTableData},
        {"BEGIN tool.t MM\nT NAME\n1 CHANGED\n  Y\n", kRecordNotInserted},
        {"BEGIN tool.t MM\nT NAME\n1 CHANGED\n9 ABCDEFGHIJKLMNOPQRSTUVWXYZ\n", kValueOutOfBounds},
    };
    for (const auto& [content, code] : refused) EXPECT_EQ(send(*table, content), code) << content;
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\1\\NAME"), "MILL_D10");
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\9\\NAME"), "(none)");
    EXPECT_EQ(table->TransmitTablePart((dir.path() / "missing.t").string(), kTool), kLocalFileNotOpened);
    EXPECT_EQ(send(*table, "BEGIN tool.t MM\nT\n1\n", "TNC:\\OTHER.T"), kBadParameter);
}

TEST_F(TableTest, DeletedRecordsLeaveEveryViewAndMayComeBack) {
    auto table = tableOf("old");
    EXPECT_EQ(table->DeleteRecord(kTool, "WHERE T == 3"), kOk);
    EXPECT_EQ(column(*table, kTool, "WHERE T >= 0", "T"), (std::vector<std::string>{"0", "1", "2", "5"}));
    EXPECT_EQ(table->DeleteRecord(kTool, "WHERE T == 3"), kRecordNotAvailable);
    EXPECT_EQ(table->DeleteRecord(kTool, " "), kBadParameter) << "never the whole table at once";
    EXPECT_EQ(table->DeleteRecord(kTool, "WHERE T =="), kBadParameter);
    EXPECT_EQ(send(*table, "BEGIN tool.t MM\nT NAME\n3 TAP_M10\n"), kOk);
    EXPECT_EQ(rows(*table, kTool, "WHERE T == 3")[0]["NAME"], "TAP_M10");
    EXPECT_EQ(rows(*table, kTool, "WHERE T == 3")[0]["L"], "") << "nothing of the deleted row comes back";
    EXPECT_EQ(table->DeleteRecord(kPocket, "WHERE P > 2"), kOk);
    EXPECT_EQ(column(*table, kPocket, "", "P"), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(TableTest, PocketFileOfTheOldestControlIsTheTableAtTheTimeOfTheRead) {
    auto table = tableOf("old");
    std::shared_ptr<Object> object;
    std::shared_ptr<IJHFileSystem> fileSystem;
    ASSERT_EQ(machines.back()->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &object), kOk);
    ASSERT_EQ(object->QueryInterface(&fileSystem), kOk);
    const std::string local = (dir.path() / "pockets").string();
    ASSERT_EQ(table->DeleteRecord(kPocket, "WHERE P > 1"), kOk);
    ASSERT_EQ(fileSystem->ReceiveFile("TNC:\\tool_p.tch", local), kOk);
    const std::string pad(75 - 5, ' ');
    EXPECT_EQ(testsupport::readFile(local),
              "BEGIN TOOL_P.TCH MM\r\n"
              "P       T     TNAME" + pad + "ST  F  L  \r\n"
              "0       1     MILL_D10" + std::string(75 - 8 + 10, ' ') + "\r\n"
              "1       2     DRILL_D6" + std::string(75 - 8 + 10, ' ') + "\r\n"
              "[END]\r\n");

    auto newer = tableOf("new", DNC_CNC_TYPE_TNC6XX_NCK);
    EXPECT_EQ(newer, nullptr) << "the newer controls have no table interface";
    ASSERT_EQ(machines.back()->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &object), kOk);
    ASSERT_EQ(object->QueryInterface(&fileSystem), kOk);
    EXPECT_EQ(fileSystem->ReceiveFile(kPocket, local), kRemoteFileNotFound) << "nor this file";
}

TEST_F(TableTest, FaultsAndTheLinkApplyToEveryOperation) {
    auto table = tableOf("old");
    std::vector<std::string> titles, lines;
    std::vector<std::int32_t> positions;
    sim().faults().failNext("ReceiveTableLines", 1, kFail);
    EXPECT_EQ(table->ReceiveTableLines(kTool, "", &lines), kFail);
    sim().faults().failNext("TransmitTablePart", 1, kRecordLocked);
    EXPECT_EQ(send(*table, "BEGIN tool.t MM\nT NAME\n1 X\n"), kRecordLocked);
    EXPECT_EQ(treeCell("\\TABLE\\TOOL\\T\\1\\NAME"), "MILL_D10");

    sim().loseLink("old");
    EXPECT_EQ(table->GetTableInfo(kTool, &titles, &positions), kConnectionLost);
    EXPECT_EQ(table->ReceiveTableLines(kTool, "", &lines), kConnectionLost);
    EXPECT_EQ(send(*table, "BEGIN tool.t MM\nT NAME\n1 X\n"), kConnectionLost);
    EXPECT_EQ(table->DeleteRecord(kTool, "WHERE T == 1"), kConnectionLost);
    sim().restoreLink("old");
    EXPECT_EQ(machines.back()->Disconnect(), kOk);
    EXPECT_EQ(table->ReceiveTableLines(kTool, "", &lines), kNotConnected);
}

}  // namespace
}  // namespace dncsim::test
