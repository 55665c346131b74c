// The tool and pocket tables in the DataAccess tree: column views, keys in
// quotes and by another column, ranges, new rows, deleting rows with null,
// buffered cells with their initial values, the older controls' pocket
// cells, data events and faults.
#include <gmock/gmock.h>

#include <atomic>
#include <thread>

#include "data_access_fixture.h"
#include "dncsim/controller.h"
#include "dncsim/data_tree.h"

namespace dncsim::test {
namespace {

using ::testing::ElementsAre;
using Names = std::vector<std::string>;

inline constexpr HRESULT kUnableToFetch = code(0x80040275);
inline constexpr HRESULT kInsertFailed = code(0x800402C9);

class TableAccessTest : public DataAccessTest {
protected:
    static Names childNames(IJHDataAccess& access, const std::string& path) {
        std::shared_ptr<IJHDataEntryList> list;
        EXPECT_EQ(entry(access, path)->GetChildList(&list), kOk) << path;
        return list ? names(list) : Names{};
    }
    static HRESULT lookUp(IJHDataAccess& access, const std::string& path) {
        std::shared_ptr<IJHDataEntry> found;
        return access.GetDataEntry2(path, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, &found);
    }
    static Variant cell(IJHDataAccess& access, const std::string& path) { return value(*entry(access, path)); }
    static HRESULT set(IJHDataAccess& access, const std::string& path, const Variant& v) {
        return entry(access, path)->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, v, VARIANT_FALSE);
    }
    // A tool row made as a client makes it: key column, new row, its key cell.
    static void addTool(IJHDataAccess& access, const std::string& id) {
        std::shared_ptr<IJHDataEntry> row, key;
        ASSERT_EQ(entry(access, "\\TABLE\\TOOL\\T")->add_child(id, &row), kOk) << id;
        ASSERT_EQ(row->add_child("T", &key), kOk);
        ASSERT_EQ(key->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant(id), VARIANT_FALSE), kOk);
    }
};

TEST_F(TableAccessTest, ColumnsListOneChildPerRowNamedByItsCell) {
    auto access = dataAccess("new");
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\T"), (Names{"0", "1", "2", "3", "5"}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\NAME"),
              (Names{"NULLTOOL", "MILL_D10", "DRILL_D6", "TAP_M8", "FACE_D50"}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\L"), (Names{"0", "50", "70", "60", "45.5"}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL_P\\P"), (Names{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL_P\\T"), (Names{"1", "2", "3", "5", ""}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL_P\\TNAME"), (Names{"MILL_D10", "DRILL_D6", "TAP_M8", "FACE_D50", ""}));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\T\\2"),
              (Names{"T", "NAME", "L", "R", "R2", "DL", "DR", "DR2", "TIME1", "TIME2", "CUR_TIME", "PLC", "PTYP"}))
        << "a row lists its cells in column order";

    // The child of a column is the row itself, whatever it is named by.
    std::shared_ptr<IJHDataEntryList> list;
    ASSERT_EQ(entry(*access, "\\TABLE\\TOOL\\NAME")->GetChildList(&list), kOk);
    std::shared_ptr<IJHDataEntry> key;
    ASSERT_EQ(item(list, 2)->get_child("T", &key), kOk);
    EXPECT_EQ(value(*key), Variant("2"));
    EXPECT_TRUE(value(*entry(*access, "\\TABLE\\TOOL\\NAME")).isEmpty());

    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\NOPE"), kBadParameter);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\2\\NOPE"), kBadParameter);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\2\\NAME\\X"), kBadParameter);
    EXPECT_EQ(childNames(*dataAccess("old", DNC_CNC_TYPE_ITNC), "\\TABLE\\TOOL_P\\P\\1"),
              (Names{"P", "T", "TNAME", "ST", "F", "L"}));
}

TEST_F(TableAccessTest, RowsByKeyInQuotesAndByAnotherColumn) {
    auto access = dataAccess("new");
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\P\\'3'\\T"), Variant("5"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\P\\3\\T"), Variant("5"));
    std::string name;
    ASSERT_EQ(entry(*access, "\\TABLE\\TOOL_P\\P\\'3'")->get_bstrName(&name), kOk);
    EXPECT_EQ(name, "3");

    // The pocket that holds a tool, and none for a tool in no pocket.
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\T\\5\\P"), Variant("3"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\T\\'2'\\TNAME"), Variant("DRILL_D6"));
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL_P\\T\\0\\P"), kInvalidArg);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL_P\\T\\0"), kInvalidArg);

    // A row the table lacks: invalid argument, for the row and its cells.
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\4"), kInvalidArg);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\4\\NAME"), kInvalidArg);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL_P\\P\\'9'\\T"), kInvalidArg);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\5.0"), kInvalidArg) << "keys are texts as the control wrote them";

    // Writing through the quoted key reaches the stored row.
    ASSERT_EQ(set(*access, "\\TABLE\\TOOL_P\\P\\'4'\\T", Variant("2")), kOk);
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\P\\4\\T"), Variant("2"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL_P\\T\\2\\P"), Variant("1")) << "the first pocket that holds the tool";
}

TEST_F(TableAccessTest, RangesListTheirRowsAndNullDeletesRows) {
    auto access = dataAccess("new");
    addTool(*access, "5.1");
    addTool(*access, "5.2");
    addTool(*access, "50");
    const std::string range = "\\TABLE\\TOOL\\T\\'5.0-5.9'";
    auto rows = entry(*access, range);
    ASSERT_EQ(rows->ReadTreeValues(DNC_DATAENTRY_PROPKIND_DATA), kOk);
    std::shared_ptr<IJHDataEntry> field;
    EXPECT_EQ(rows->get_child("T", &field), kNoValidItem);
    std::shared_ptr<IJHDataEntryList> found;
    ASSERT_EQ(rows->GetChildList(&found), kOk);
    ASSERT_EQ(names(found), (Names{"5", "5.1", "5.2"})) << "50 lies outside, 5 inside";
    EXPECT_EQ(lookUp(*access, range + "\\NAME"), kBadParameter);

    for (std::int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(item(found, i)->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant::null(), VARIANT_FALSE), kOk);
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\T"), (Names{"0", "1", "2", "3", "50"}));
    EXPECT_EQ(lookUp(*access, range), kInvalidArg) << "a range that matches nothing does not exist";
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\'-1-0.5'"), kOk) << "a signed lower bound";

    // The key cell decides the row: null deletes it, another id is refused.
    EXPECT_EQ(set(*access, "\\TABLE\\TOOL\\T\\3\\T", Variant("33")), code(0x8004026D));
    EXPECT_EQ(set(*access, "\\TABLE\\TOOL\\T\\3\\T", Variant("3")), kOk);
    EXPECT_EQ(set(*access, "\\TABLE\\TOOL\\T\\3", Variant("x")), kInvalidArg) << "a row has no value";
    EXPECT_EQ(set(*access, "\\TABLE\\TOOL\\NAME", Variant("x")), kNoValidItem);
    auto three = entry(*access, "\\TABLE\\TOOL\\T\\3\\T");
    ASSERT_EQ(three->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant::null(), VARIANT_FALSE), kOk);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\3"), kInvalidArg);
    EXPECT_EQ(three->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant::null(), VARIANT_FALSE), kInvalidArg)
        << "the row is gone";
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\NAME"), (Names{"NULLTOOL", "MILL_D10", "DRILL_D6", ""}));
}

TEST_F(TableAccessTest, NewRowsHoldEveryColumnAndTheirKey) {
    auto access = dataAccess("new");
    addTool(*access, "12");
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\T").back(), "12");
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\T\\12").size(), 13u);
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\12\\T"), Variant("12"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\12\\NAME"), Variant(""));
    EXPECT_EQ(childNames(*access, "\\TABLE\\TOOL\\NAME").size(), 6u) << "every column lists the new row";

    auto keys = entry(*access, "\\TABLE\\TOOL\\T");
    std::shared_ptr<IJHDataEntry> row;
    EXPECT_EQ(keys->add_child("12", &row), kInsertFailed);
    for (const char* unreachable : {"", "'8'", "8\\1"}) EXPECT_EQ(keys->add_child(unreachable, &row), kInvalidArg);
    EXPECT_EQ(entry(*access, "\\TABLE\\TOOL\\NAME")->add_child("X", &row), kInvalidArg) << "rows come by their key";
    EXPECT_EQ(entry(*access, "\\TABLE\\TOOL\\T\\12")->add_child("NOPE", &row), kInvalidArg);
    EXPECT_EQ(entry(*access, "\\PLC\\memory")->add_child("X", &row), kInvalidArg);

    auto pockets = dataAccess("old", DNC_CNC_TYPE_ITNC);
    ASSERT_EQ(entry(*pockets, "\\TABLE\\TOOL_P\\P")->add_child("7", &row), kOk);
    EXPECT_EQ(childNames(*pockets, "\\TABLE\\TOOL_P\\P\\7"), (Names{"P", "T", "TNAME", "ST", "F", "L"}));
}

TEST_F(TableAccessTest, CellsStagedOnTheClientAreWrittenByTheirRow) {
    auto access = dataAccess("new");
    std::shared_ptr<IJHDataEntry> row;
    ASSERT_EQ(access->GetDataEntry2("\\TABLE\\TOOL\\T\\2", DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, &row), kOk);
    std::shared_ptr<IJHDataEntryList> cells;
    ASSERT_EQ(row->GetChildList(&cells), kOk);
    auto name = item(cells, 1);
    auto length = item(cells, 2);
    auto plc = item(cells, 11);

    // Numbers and PLC bits have an initial value; texts have none.
    EXPECT_EQ(name->ReadPropertyValue(9), kUnableToFetch);
    ASSERT_EQ(length->ReadPropertyValue(9), kOk);
    Variant v;
    EXPECT_EQ(name->get_propertyValue(DNC_DATAENTRY_PROPKIND_INITIALVALUE, &v), kUnableToFetch);
    ASSERT_EQ(length->get_propertyValue(DNC_DATAENTRY_PROPKIND_INITIALVALUE, &v), kOk);
    EXPECT_EQ(v, Variant("0"));
    ASSERT_EQ(plc->get_propertyValue(DNC_DATAENTRY_PROPKIND_INITIALVALUE, &v), kOk);
    EXPECT_EQ(v, Variant("%00000000"));
    EXPECT_EQ(entry(*access, "\\PLC\\memory\\M\\1")->ReadPropertyValue(9), kUnableToFetch);

    ASSERT_EQ(name->get_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, &v), kOk);
    EXPECT_EQ(v, Variant("DRILL_D6")) << "not fetched yet: read from the control";
    ASSERT_EQ(name->put_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant("")), kOk);
    ASSERT_EQ(length->put_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant("0")), kOk);
    ASSERT_EQ(name->get_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, &v), kOk);
    EXPECT_EQ(v, Variant(""));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\NAME"), Variant("DRILL_D6")) << "staged, not written";

    ASSERT_EQ(row->WriteTreeValues(VARIANT_TRUE), kOk);
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\NAME"), Variant(""));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\L"), Variant("0"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\R"), Variant("3"));

    // Fetched values stay as read; writing the entry alone leaves its siblings staged.
    ASSERT_EQ(row->ReadTreeValues(DNC_DATAENTRY_PROPKIND_DATA), kOk);
    ASSERT_EQ(set(*access, "\\TABLE\\TOOL\\T\\2\\R", Variant("9")), kOk);
    ASSERT_EQ(item(cells, 3)->get_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, &v), kOk);
    EXPECT_EQ(v, Variant("3"));
    ASSERT_EQ(name->put_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant("N")), kOk);
    ASSERT_EQ(length->put_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant("7")), kOk);
    ASSERT_EQ(length->WriteTreeValues(VARIANT_FALSE), kOk);
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\L"), Variant("7"));
    EXPECT_EQ(cell(*access, "\\TABLE\\TOOL\\T\\2\\NAME"), Variant(""));
    EXPECT_EQ(name->put_propertyValue(5, Variant("x")), kBadParameter);
    EXPECT_EQ(row->ReadTreeValues(5), kBadParameter);
}

TEST_F(TableAccessTest, OlderControlsWritePocketCellsThroughTheirProperty) {
    auto access = dataAccess("old", DNC_CNC_TYPE_ITNC);
    std::shared_ptr<IJHDataEntry> pocket;
    ASSERT_EQ(access->GetDataEntry("\\TABLE\\TOOL_P\\P\\4\\T", &pocket), kOk);
    auto tool = property(*pocket);
    ASSERT_EQ(tool->put_varValue(Variant(std::int32_t{7})), kOk);
    Variant v;
    ASSERT_EQ(tool->get_varValue(&v), kOk);
    EXPECT_EQ(v, Variant("7")) << "the control keeps the number as the cell's text";
    ASSERT_EQ(tool->put_varValue(Variant()), kOk);
    ASSERT_EQ(tool->get_varValue(&v), kOk);
    EXPECT_EQ(v, Variant(""));
    EXPECT_EQ(tool->put_varValue(Variant::array(VT_I4, {})), kInvalidArg);

    // The magazine has no pocket 9: its cells fail outright; missing tools do not.
    std::shared_ptr<IJHDataEntry> missing;
    EXPECT_EQ(access->GetDataEntry("\\TABLE\\TOOL_P\\P\\9\\T", &missing), kFail);
    EXPECT_EQ(access->GetDataEntry("\\TABLE\\TOOL_P\\P\\9", &missing), kInvalidArg);
    EXPECT_EQ(access->GetDataEntry("\\TABLE\\TOOL\\T\\9\\NAME", &missing), kInvalidArg);
    EXPECT_EQ(dataAccess("new")->GetDataEntry("\\TABLE\\TOOL_P\\P\\9\\T", &missing), kInvalidArg);

    ASSERT_EQ(access->GetDataEntry("\\TABLE\\TOOL\\T\\1\\NMAX", &pocket), kOk);
    ASSERT_EQ(pocket->get_propertyValue(DNC_DATAENTRY_PROPKIND_INITIALVALUE, &v), kOk);
    EXPECT_EQ(v, Variant("-"));
}

TEST_F(TableAccessTest, TableWritesRaiseDataEventsOnTheSubscribedPaths) {
    auto access = dataAccess("new");
    auto sink = recordingSink();
    std::uint32_t cookie = 0;
    ASSERT_EQ(access->Advise(sink, &cookie), kOk);
    std::int32_t pocket = 0, names = 0, rows = 0;
    ASSERT_EQ(entry(*access, "\\TABLE\\TOOL_P\\P\\'3'\\T")->Subscribe2(&pocket), kOk);
    ASSERT_EQ(entry(*access, "\\TABLE\\TOOL\\NAME")->Subscribe2(&names), kOk);
    ASSERT_EQ(entry(*access, "\\TABLE\\TOOL\\T")->Subscribe2(&rows), kOk);

    ASSERT_EQ(set(*access, "\\TABLE\\TOOL_P\\P\\3\\T", Variant("2")), kOk);
    ASSERT_EQ(set(*access, "\\TABLE\\TOOL\\T\\1\\L", Variant("51")), kOk);
    ASSERT_EQ(set(*access, "\\TABLE\\TOOL\\T\\1\\NAME", Variant("MILL_D12")), kOk);
    addTool(*access, "7");
    ASSERT_TRUE(sim().drainEvents());

    std::vector<std::int32_t> handles;
    for (const auto& event : sink->events()) handles.push_back(event.handle);
    EXPECT_THAT(handles, ElementsAre(pocket, names, names, rows, rows))
        << "L is no NAME and no key; a new row concerns every column, its key cell the key column";
    const auto first = sink->events().front();
    ASSERT_EQ(DataAccessTest::names(first.list), Names{"T"});
    EXPECT_EQ(value(*item(first.list, 0)), Variant("2"));
    std::shared_ptr<IJHDataEntryList> listed;
    ASSERT_EQ(item(sink->events()[1].list, 0)->get_childList2(&listed), kOk);
    EXPECT_EQ(DataAccessTest::names(listed), (Names{"NULLTOOL", "MILL_D12", "DRILL_D6", "TAP_M8", "FACE_D50"}))
        << "the column at the change";
}

TEST_F(TableAccessTest, InjectedFaultsAndTheLostLinkApplyToTheTableOperations) {
    auto access = dataAccess("new");
    auto row = entry(*access, "\\TABLE\\TOOL\\T\\2");
    auto name = entry(*access, "\\TABLE\\TOOL\\T\\2\\NAME");
    auto& faults = sim().faults();
    for (const char* operation : {"add_child", "get_child", "ReadTreeValues", "WriteTreeValues", "ReadPropertyValue",
                                  "get_propertyValue", "put_propertyValue", "GetChildList"})
        faults.failNext(operation, 1, kFail);
    std::shared_ptr<IJHDataEntry> child;
    std::shared_ptr<IJHDataEntryList> list;
    Variant v;
    EXPECT_EQ(entry(*access, "\\TABLE\\TOOL\\T")->add_child("9", &child), kFail);
    EXPECT_EQ(row->get_child("T", &child), kFail);
    EXPECT_EQ(row->ReadTreeValues(DNC_DATAENTRY_PROPKIND_DATA), kFail);
    EXPECT_EQ(row->WriteTreeValues(VARIANT_TRUE), kFail);
    EXPECT_EQ(name->ReadPropertyValue(9), kFail);
    EXPECT_EQ(name->get_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, &v), kFail);
    EXPECT_EQ(name->put_propertyValue(DNC_DATAENTRY_PROPKIND_DATA, v), kFail);
    EXPECT_EQ(row->GetChildList(&list), kFail);
    EXPECT_EQ(lookUp(*access, "\\TABLE\\TOOL\\T\\9"), kInvalidArg) << "the failed add made no row";

    sim().loseLink("new");
    EXPECT_EQ(row->get_child("T", &child), kConnectionLost);
    EXPECT_EQ(row->WriteTreeValues(VARIANT_TRUE), kConnectionLost);
    ASSERT_EQ(machines_[0]->Disconnect(), kOk);
    EXPECT_EQ(name->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant::null(), VARIANT_FALSE), kNotConnected);
}

TEST_F(TableAccessTest, RowsComeAndGoWhileOthersListTheTable) {
    auto writer = dataAccess("new");
    auto reader = dataAccess("new");
    constexpr int kRounds = 200;
    std::atomic<int> failures{0};
    std::thread changing([&] {
        for (int round = 0; round < kRounds; ++round) {
            std::shared_ptr<IJHDataEntry> row, key;
            if (entry(*writer, "\\TABLE\\TOOL\\T")->add_child("9", &row) != kOk) ++failures;
            if (row && row->get_child("T", &key) == kOk) {
                if (key->SetPropertyValue(0, Variant::null(), VARIANT_FALSE) != kOk) ++failures;
            } else {
                ++failures;
            }
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        const auto listed = childNames(*reader, "\\TABLE\\TOOL\\NAME").size();
        if (listed != 5 && listed != 6) ++failures;
    }
    changing.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(childNames(*reader, "\\TABLE\\TOOL\\T"), (Names{"0", "1", "2", "3", "5"}));
}

}  // namespace
}  // namespace dncsim::test
