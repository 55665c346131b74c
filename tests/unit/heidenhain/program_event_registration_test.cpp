// The program event rows of the remote surface: registered through the
// registry, their events published to the client that registered them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/callback.h"
#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "dncsim/simulator.h"
#include "heidenhain/session/registration.h"
#include "heidenhain/tables/tool.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/registry_call.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using testing::IsSupersetOf;

using registry_test::call;

class ProgramEventRegistrationTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        registerDncShim();
        nolt::setEventPublisher([this](const json& event) { events.push(event); });
    }
    void TearDown() override {
        nolt::LocalFactory::instance().clearInstances();
        nolt::setEventPublisher({});
        SessionTest::TearDown();
    }
    // The data of the next event for the callback id.
    json next(const std::string& id) {
        auto event = events.waitTake([&](const json& e) { return e["id"] == id; }, std::chrono::seconds(5));
        return event ? (*event)["data"] : json();
    }
    testsupport::EventQueue<json> events;
};

TEST_F(ProgramEventRegistrationTest, SelectingAProgramPublishesItsEvents) {
    EXPECT_THAT(nolt::LocalFactory::instance().memberFunctionKeys("DncShim"),
                IsSupersetOf({"onProgramStatusChanged-string", "onProgramChanged-string", "onToolChanged-string",
                              "onNcProgramChanged-string", "onDncModeChanged-string"}));
    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    for (const char* row : {"onProgramStatusChanged", "onProgramChanged", "onToolChanged", "onNcProgramChanged",
                            "onDncModeChanged"})
        EXPECT_EQ(call(id, row, {{"_1", std::string("cb-") + row}}), nullptr) << row;
    ASSERT_EQ(call(id, "connect", {{"_1", "a.test"}, {"_2", "tnc640"}}), nullptr);
    ASSERT_EQ(call(id, "selectProgram", {{"_1", 0}, {"_2", "TNC:\\nc_prog\\demo.h"}, {"_3", ""}}), nullptr);
    EXPECT_EQ(next("cb-onProgramStatusChanged"), (json{{"_1", "selected"}}));
    EXPECT_EQ(next("cb-onNcProgramChanged"), (json{{"_1", "selected"}, {"_2", "TNC:\\nc_prog"}, {"_3", "demo.h"}}));
    const json changed = next("cb-onProgramChanged");
    EXPECT_EQ(changed["_1"], 0);
    EXPECT_TRUE(changed["_2"].is_number_float());
    EXPECT_EQ(changed["_3"], "TNC:\\nc_prog\\demo.h");
    dncsim::Simulator::instance().controller("a.test")->programs().setDncMode(dnc::DNC_MODE_LOCAL);
    EXPECT_EQ(next("cb-onDncModeChanged"), (json{{"_1", "mode_local"}}));
}

TEST_F(ProgramEventRegistrationTest, ToolChangeEventCarriesBothToolsAsObjects) {
    const json request = {{"sender", "c/1/r"}, {"id", 1}, {"context", "DncShim-1"}, {"method", "onToolChanged"},
                          {"data", {{"_1", "cb-tool"}}}};
    auto callback = nolt::Argument<nolt::Callback<std::int32_t, Tool, Tool, double>>::convert(request, 0);
    callback(1, Tool{"5", "7", "1"}, Tool{"12", "-1", "0"}, 45000.25);
    EXPECT_EQ(next("cb-tool"), (json{{"_1", 1},
                                     {"_2", {{"toolId", "5"}, {"spareToolId", "7"}, {"toolIndex", "1"}}},
                                     {"_3", {{"toolId", "12"}, {"spareToolId", "-1"}, {"toolIndex", "0"}}},
                                     {"_4", 45000.25}}));
}

}  // namespace
}  // namespace heidenhain
