// The DataAccess tree of the simulated controls: entries and values in both
// access styles, access modes, subscriptions with their data events, faults.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "agent/local_factory.h"
#include "dncsim/data_access.h"
#include "dncsim/data_value.h"
#include "dncsim/remote_control.h"
#include "data_access_fixture.h"

namespace dncsim::test {
namespace {

TEST_F(DataAccessTest, EntriesByPathWithChildrenInOrder) {
    auto access = dataAccess("new");
    std::shared_ptr<IJHDataEntry> missing;
    EXPECT_EQ(access->GetDataEntry("\\PLC\\memory\\M\\128", &missing), kBadParameter);
    EXPECT_EQ(access->GetDataEntry2("\\NOWHERE", DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, &missing), kBadParameter);
    EXPECT_EQ(missing, nullptr);

    auto memory = entry(*access, "PLC\\memory\\");
    std::string name;
    EXPECT_EQ(memory->get_bstrName(&name), kOk);
    EXPECT_EQ(name, "memory");
    std::shared_ptr<IJHDataEntryList> children;
    ASSERT_EQ(memory->GetChildList(&children), kOk);
    EXPECT_EQ(names(children), (std::vector<std::string>{"M", "B", "W", "D", "S"}));
    ASSERT_EQ(item(children, 0)->get_childList(&children), kOk);
    const auto markers = names(children);
    ASSERT_EQ(markers.size(), 128u);
    EXPECT_EQ(markers[10], "10") << "in the order they were made, not sorted as text";
    std::shared_ptr<IJHDataEntry> none;
    EXPECT_EQ(children->get_Item(128, &none), kBadParameter);

    std::shared_ptr<IJHDataEntry> tool;
    EXPECT_EQ(access->GetDataEntry("\\TABLE\\TOOL\\T\\2\\NAME", &tool), kOk);
    EXPECT_EQ(value(*tool), Variant("DRILL_D6"));
    EXPECT_EQ(dataAccess("old", DNC_CNC_TYPE_ITNC)->GetDataEntry("\\TABLE\\TOOL_P\\P\\4\\T", &tool), kOk)
        << "the older controls show their tables in the tree too";
    EXPECT_EQ(value(*tool), Variant(""));
}

TEST_F(DataAccessTest, ValuesThroughBothAccessStylesKeepTheirTypes) {
    auto access = dataAccess("old", DNC_CNC_TYPE_ITNC);
    auto word = entry(*access, "\\PLC\\memory\\W\\3");
    EXPECT_EQ(value(*word), Variant::fromSigned(VT_I2, 30));
    EXPECT_EQ(value(*entry(*access, "\\PLC\\memory\\M\\5")), Variant::boolean(true));
    EXPECT_EQ(value(*entry(*access, "\\PLC\\memory\\B\\7")), Variant::fromUnsigned(VT_UI1, 7));
    EXPECT_EQ(value(*entry(*access, "\\CFG\\machine\\feedLimit")), Variant(5000.0));

    auto wordValue = property(*word);
    VariantBool readOnly = VARIANT_TRUE;
    EXPECT_EQ(wordValue->get_readOnly(&readOnly), kOk);
    EXPECT_EQ(readOnly, VARIANT_FALSE);
    EXPECT_EQ(wordValue->put_varValue(Variant::fromSigned(VT_I2, -4)), kOk);
    Variant read;
    EXPECT_EQ(wordValue->get_varValue(&read), kOk);
    EXPECT_EQ(read, Variant::fromSigned(VT_I2, -4));
    EXPECT_EQ(word->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, Variant(), VARIANT_TRUE), kOk);
    EXPECT_TRUE(value(*entry(*access, "\\PLC\\memory\\W\\3")).isEmpty()) << "another entry of the path sees it";
    EXPECT_EQ(word->GetPropertyValue(5, &read), kBadParameter);
    std::shared_ptr<IJHDataEntryPropertyList> list;
    std::shared_ptr<IJHDataEntryProperty> other;
    ASSERT_EQ(word->get_propertyList(&list), kOk);
    EXPECT_EQ(list->get_property(5, &other), kBadParameter);

    auto name = property(*entry(*access, "\\CFG\\machine\\name"));
    EXPECT_EQ(name->get_readOnly(&readOnly), kOk);
    EXPECT_EQ(readOnly, VARIANT_TRUE);
    EXPECT_EQ(name->put_varValue(Variant("x")), code(0x8004026D));
    EXPECT_EQ(entry(*access, "\\CFG\\machine\\name")->SetPropertyValue(0, Variant("x"), VARIANT_TRUE),
              code(0x8004026D));
    EXPECT_EQ(value(*entry(*access, "\\CFG\\machine\\name")), Variant("DNC simulator"));
}

TEST_F(DataAccessTest, AccessModesOnlyOnTheNewerControls) {
    auto access = dataAccess("new");
    EXPECT_EQ(access->SetAccessMode(DNC_ACCESS_MODE_SYS, DataAccess::kPassword), kOk);
    EXPECT_EQ(access->SetAccessMode(DNC_ACCESS_MODE_CFGDATAACCESS, "sim"), kOk);
    EXPECT_EQ(access->SetAccessMode(DNC_ACCESS_MODE_DEFAULT, ""), kOk) << "the default mode needs no password";
    EXPECT_EQ(access->SetAccessMode(DNC_ACCESS_MODE_USR, "guess"), code(0x80040272));
    for (std::int32_t unknown : {13, 14, 27, -1}) EXPECT_EQ(access->SetAccessMode(unknown, "sim"), code(0x80040265));
    EXPECT_EQ(dataAccess("old", DNC_CNC_TYPE_ITNC)->SetAccessMode(DNC_ACCESS_MODE_SYS, "sim"), kNotImplemented);
}

TEST_F(DataAccessTest, SubscribedChangesArriveAsSnapshotsOnTheEventThread) {
    auto access = dataAccess("new");
    auto sink = recordingSink();
    std::uint32_t cookie = 0;
    ASSERT_EQ(access->Advise(sink, &cookie), kOk);
    std::int32_t marker = 0, words = 0;
    ASSERT_EQ(entry(*access, "\\PLC\\memory\\M\\100")->Subscribe2(&marker), kOk);
    ASSERT_EQ(entry(*access, "\\PLC\\memory\\W")->Subscribe2(&words), kOk);
    EXPECT_EQ(marker, 1);
    EXPECT_EQ(words, 2);

    auto target = entry(*access, "\\PLC\\memory\\M\\100");
    ASSERT_EQ(target->SetPropertyValue(0, Variant::boolean(true), VARIANT_TRUE), kOk);
    ASSERT_EQ(entry(*access, "\\PLC\\memory\\M\\101")->SetPropertyValue(0, Variant::boolean(true), VARIANT_TRUE), kOk);
    ASSERT_EQ(property(*entry(*access, "\\PLC\\memory\\W\\1"))->put_varValue(Variant::fromSigned(VT_I2, 7)), kOk);
    ASSERT_TRUE(sim().drainEvents());
    ASSERT_EQ(target->SetPropertyValue(0, Variant::boolean(false), VARIANT_TRUE), kOk);
    ASSERT_TRUE(sim().drainEvents());

    const auto events = sink->events();
    ASSERT_EQ(events.size(), 3u) << "M\\101 is not subscribed";
    EXPECT_EQ(events[0].handle, marker);
    EXPECT_NE(events[0].thread, std::this_thread::get_id());
    EXPECT_EQ(names(events[0].list), std::vector<std::string>{"100"});
    EXPECT_EQ(value(*item(events[0].list, 0)), Variant::boolean(true)) << "the value at the change, not the latest";
    std::shared_ptr<IJHDataEntryList> none;
    ASSERT_EQ(item(events[0].list, 0)->get_childList2(&none), kOk);
    EXPECT_TRUE(names(none).empty());

    EXPECT_EQ(events[1].handle, words);
    ASSERT_EQ(names(events[1].list), std::vector<std::string>{"W"});
    std::shared_ptr<IJHDataEntryList> wordList;
    ASSERT_EQ(item(events[1].list, 0)->get_childList2(&wordList), kOk);
    EXPECT_EQ(names(wordList).size(), 16u);
    EXPECT_EQ(value(*item(wordList, 1)), Variant::fromSigned(VT_I2, 7));

    ASSERT_EQ(target->Unsubscribe(marker), kOk);
    EXPECT_EQ(target->Unsubscribe(marker), kBadParameter);
    ASSERT_EQ(target->SetPropertyValue(0, Variant::boolean(true), VARIANT_TRUE), kOk);
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(sink->events().size(), 3u);
}

TEST_F(DataAccessTest, EventsReachOnlyTheSubscribingConnectionWhileItLasts) {
    auto mine = dataAccess("new");
    auto other = dataAccess("new");
    auto mySink = recordingSink();
    auto otherSink = recordingSink();
    std::uint32_t cookie = 0;
    ASSERT_EQ(mine->Advise(mySink, &cookie), kOk);
    ASSERT_EQ(other->Advise(otherSink, &cookie), kOk);
    std::int32_t handle = 0;
    ASSERT_EQ(entry(*mine, "\\PLC\\memory\\D\\0")->Subscribe2(&handle), kOk);

    auto& tree = *sim().controller("new")->data();
    ASSERT_EQ(writeDataText(tree, "\\PLC\\memory\\D\\0", "12"), kOk);
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(mySink->events().size(), 1u);
    EXPECT_TRUE(otherSink->events().empty());

    ASSERT_EQ(machines_[0]->Disconnect(), kOk);
    ASSERT_EQ(writeDataText(tree, "\\PLC\\memory\\D\\0", "13"), kOk);
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(mySink->events().size(), 1u);
}

TEST_F(DataAccessTest, ValuesChangedFromOutsideAreReadAsTheEntrysType) {
    dataAccess("new");
    auto& tree = *sim().controller("new")->data();
    auto read = [&](const std::string& path) {
        Variant v;
        EXPECT_EQ(tree.read(path, &v), kOk);
        return v;
    };
    EXPECT_EQ(writeDataText(tree, "\\PLC\\memory\\M\\1", "true"), kOk);
    EXPECT_EQ(read("\\PLC\\memory\\M\\1"), Variant::boolean(true));
    EXPECT_EQ(writeDataText(tree, "\\PLC\\memory\\M\\1", "0"), kOk);
    EXPECT_EQ(read("\\PLC\\memory\\M\\1"), Variant::boolean(false));
    EXPECT_EQ(writeDataText(tree, "\\PLC\\memory\\W\\1", "-12"), kOk);
    EXPECT_EQ(read("\\PLC\\memory\\W\\1"), Variant::fromSigned(VT_I2, -12));
    EXPECT_EQ(writeDataText(tree, "\\PLC\\memory\\B\\1", "200"), kOk);
    EXPECT_EQ(read("\\PLC\\memory\\B\\1"), Variant::fromUnsigned(VT_UI1, 200));
    EXPECT_EQ(writeDataText(tree, "\\CFG\\machine\\feedLimit", "2.5"), kOk);
    EXPECT_EQ(read("\\CFG\\machine\\feedLimit"), Variant(2.5));
    EXPECT_EQ(writeDataText(tree, "\\CFG\\machine\\name", "renamed"), kOk) << "the control may change its own";
    EXPECT_EQ(read("\\CFG\\machine\\name"), Variant("renamed"));
    for (const auto& [path, text] : std::vector<std::pair<std::string, std::string>>{
             {"\\PLC\\memory\\M\\1", "yes"}, {"\\PLC\\memory\\W\\1", "1x"}, {"\\PLC\\memory\\B\\1", "-1"},
             {"\\CFG\\machine\\feedLimit", ""}})
        EXPECT_EQ(writeDataText(tree, path, text), kInvalidArg) << path << " " << text;
    EXPECT_EQ(writeDataText(tree, "\\PLC\\memory\\X", "1"), kBadParameter);
}

TEST_F(DataAccessTest, InjectedFaultsAndTheLostLinkApply) {
    auto access = dataAccess("new");
    auto marker = entry(*access, "\\PLC\\memory\\M\\0");
    std::shared_ptr<IJHDataEntry> found;
    auto& faults = sim().faults();
    for (const char* operation : {"GetDataEntry", "GetDataEntry2", "SetAccessMode", "GetPropertyValue",
                                  "SetPropertyValue", "Subscribe2", "get_propertyList", "get_childList2"})
        faults.failNext(operation, 1, kFail);
    EXPECT_EQ(access->GetDataEntry("\\PLC", &found), kFail);
    EXPECT_EQ(access->GetDataEntry2("\\PLC", 1, VARIANT_TRUE, &found), kFail);
    EXPECT_EQ(access->SetAccessMode(DNC_ACCESS_MODE_SYS, "sim"), kFail);
    Variant v;
    EXPECT_EQ(marker->GetPropertyValue(0, &v), kFail);
    EXPECT_EQ(marker->SetPropertyValue(0, Variant::boolean(true), VARIANT_TRUE), kFail);
    std::int32_t handle = 0;
    EXPECT_EQ(marker->Subscribe2(&handle), kFail);
    std::shared_ptr<IJHDataEntryPropertyList> properties;
    EXPECT_EQ(marker->get_propertyList(&properties), kFail);
    std::shared_ptr<IJHDataEntryList> children;
    EXPECT_EQ(marker->get_childList2(&children), kFail);
    EXPECT_EQ(marker->GetPropertyValue(0, &v), kOk) << "each fault only once";

    sim().loseLink("new");
    EXPECT_EQ(marker->GetPropertyValue(0, &v), kConnectionLost);
    EXPECT_EQ(access->GetDataEntry("\\PLC", &found), kConnectionLost);
}

TEST_F(DataAccessTest, RemoteControlChangesAValue) {
    registerDncSimulator();
    auto& registry = nolt::LocalFactory::instance();
    auto call = [&](const std::string& context, const std::string& method, nlohmann::json data) {
        nlohmann::json message = {{"sender", "c/1/r"}, {"id", 1}, {"context", context}, {"method", method}, {"data", data}};
        registry.call(message);
        return message["data"];
    };
    const std::string id = call("DncSimulator", "__create__", nlohmann::json::object())["r"];
    EXPECT_EQ(call(id, "setDataValue", {{"_1", "new"}, {"_2", "\\PLC\\memory\\D\\1"}, {"_3", "5"}})["e"],
              "No controller new yet");
    auto access = dataAccess("new");
    EXPECT_FALSE(call(id, "setDataValue", {{"_1", "new"}, {"_2", "\\PLC\\memory\\D\\1"}, {"_3", "5"}}).contains("e"));
    EXPECT_EQ(value(*entry(*access, "\\PLC\\memory\\D\\1")), Variant(std::int32_t{5}));
    EXPECT_EQ(call(id, "setDataValue", {{"_1", "new"}, {"_2", "\\PLC\\memory\\D\\99"}, {"_3", "5"}})["e"],
              "No data entry \\PLC\\memory\\D\\99 on new");
    EXPECT_EQ(call(id, "setDataValue", {{"_1", "new"}, {"_2", "\\PLC\\memory\\D\\1"}, {"_3", "five"}})["e"],
              "Value five does not fit data entry \\PLC\\memory\\D\\1");
    registry.remove(id);
}

}  // namespace
}  // namespace dncsim::test
