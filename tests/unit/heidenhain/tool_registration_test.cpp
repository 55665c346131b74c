// The tool and pocket rows of the remote surface, called through the registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/local_factory.h"
#include "heidenhain/session/registration.h"
#include "tests/unit/heidenhain/registry_call.h"
#include "tests/unit/heidenhain/table_fixture.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using testing::IsSupersetOf;

using registry_test::call;

class ToolRegistrationTest : public TableSessionTest {
protected:
    void SetUp() override {
        TableSessionTest::SetUp();
        registerDncShim();
    }
    void TearDown() override {
        nolt::LocalFactory::instance().clearInstances();
        TableSessionTest::TearDown();
    }
};

TEST_F(ToolRegistrationTest, ToolAndPocketRowsReachTheirFunctions) {
    EXPECT_THAT(nolt::LocalFactory::instance().memberFunctionKeys("DncShim"),
                IsSupersetOf({"setTool-stringstringobject", "removeTool-string", "removeToolTableRow-string",
                              "clearToolTableRow-string", "getPocketTable", "getToolTableRowByPocketId-string",
                              "setLinkedToolTableRow-stringobject", "addLinkedToolTableRow-object",
                              "unlinkToolFromPocketTable-string", "removeToolTableRowByPocketId-string",
                              "linkToolToPocketTable-stringstring", "getLinkedToolId-string", "getToolTableRow-string",
                              "getToolTableCell-stringstring", "setToolTableRow-stringobject",
                              "setToolTableCell-stringstringstring"}));
    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    ASSERT_EQ(call(id, "connect", {{"_1", "tnc640.test"}, {"_2", "tnc640"}}), nullptr);
    ASSERT_EQ(call(id, "setAccessMode", {{"_1", "sys"}, {"_2", "sim"}}), nullptr);

    const json row = call(id, "getToolTableRow", {{"_1", "1"}});
    ASSERT_TRUE(row.is_object()) << row;
    EXPECT_EQ(row["NAME"], "MILL_D10");
    EXPECT_EQ(call(id, "getToolTableCell", {{"_1", "1"}, {"_2", "L"}}), "50");
    EXPECT_EQ(call(id, "setToolTableCell", {{"_1", "1"}, {"_2", "L"}, {"_3", "51"}}), nullptr);
    EXPECT_EQ(call(id, "setToolTableRow", {{"_1", "1"}, {"_2", {{"R", "5.5"}}}}), nullptr);
    EXPECT_EQ(storedText("tnc640.test", toolCell("1", "R")), "5.5");
    EXPECT_EQ(call(id, "setToolTableRow", {{"_1", "1"}, {"_2", {{"R", 5.5}}}}),
              "[json.exception.type_error.302] type must be string, but is number")
        << "a row's cells are texts";

    const json pockets = call(id, "getPocketTable");
    ASSERT_TRUE(pockets.is_array()) << pockets;
    ASSERT_EQ(pockets.size(), 5u);
    EXPECT_EQ(pockets[3], (json{{"P", "3"}, {"T", "5"}, {"TNAME", "FACE_D50"}}));

    EXPECT_EQ(call(id, "addLinkedToolTableRow", {{"_1", {{"NAME", "PROBE"}}}}), "4");
    EXPECT_EQ(call(id, "getToolTableRowByPocketId", {{"_1", "4"}})["NAME"], "PROBE");
    EXPECT_EQ(call(id, "setTool", {{"_1", ""}, {"_2", ""}, {"_3", {{"NAME", "SPARE"}}}}),
              "No free tool table row available");
    EXPECT_EQ(call(id, "removeToolTableRowByPocketId", {{"_1", "4"}}), nullptr);
    EXPECT_EQ(call(id, "getLinkedToolId", {{"_1", "4"}}), "");
}

}  // namespace
}  // namespace heidenhain
