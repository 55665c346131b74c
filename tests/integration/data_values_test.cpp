// Data values through the built executable and a private broker: a value is
// written and read back, and a change made on the simulated control arrives
// as a data event.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/integration/executable_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class DataValues : public ExecutableFixture {
protected:
    DataValues() : ExecutableFixture("data-client") {}
};

TEST_F(DataValues, WriteReadAndDataEventOverMqtt) {
    const std::string simulator = call("DncSimulator/__static__/__create__")["r"];
    const std::string mill = call("DncShim/__static__/__create__", {{"_1", "mill"}})["r"];
    const std::string session = "DncShim/" + mill + "/";
    ASSERT_TRUE(call(session + "connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());

    ASSERT_TRUE(call(session + "setValue", {{"_1", "\\PLC\\memory\\S\\1"}, {"_2", "spindle warm"}})["r"].is_null());
    EXPECT_EQ(call(session + "getValue", {{"_1", "\\PLC\\memory\\S\\1"}})["r"], "spindle warm");
    EXPECT_EQ(call(session + "getPlcData", {{"_1", "M"}, {"_2", "5"}})["r"], "1");
    EXPECT_EQ(call(session + "getValue", {{"_1", "\\PLC\\nothing"}})["e"],
              "Invalid argument: Data path \\PLC\\nothing does not exist");

    const auto handle = call(session + "onDataChanged", {{"_1", "\\PLC\\memory\\D\\2"}, {"_2", "changed"}})["r"];
    ASSERT_TRUE(handle.is_number_integer());
    EXPECT_FALSE(call("DncSimulator/" + simulator + "/setDataValue",
                      {{"_1", "mill.sim"}, {"_2", "\\PLC\\memory\\D\\2"}, {"_3", "-17"}})
                     .contains("e"));
    auto event = client.waitForEvent("changed");
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["context"], mill);
    EXPECT_EQ((*event)["method"], "onDataChanged");
    EXPECT_EQ((*event)["data"], (json{{"_1", {{"2", -17}}}}));
    EXPECT_EQ(call(session + "getValue", {{"_1", "\\PLC\\memory\\D\\2"}})["r"], "-17");

    // Events reach the client in the order of the changes: once the witness
    // has arrived, an event of the unsubscribed handle would have as well.
    call(session + "onDataChanged", {{"_1", "\\PLC\\memory\\D\\3"}, {"_2", "witness"}});
    ASSERT_TRUE(call(session + "unsubscribe", {{"_1", "\\PLC\\memory\\D\\2"}, {"_2", handle}})["r"].is_null());
    for (const char* path : {"\\PLC\\memory\\D\\2", "\\PLC\\memory\\D\\3"})
        call("DncSimulator/" + simulator + "/setDataValue", {{"_1", "mill.sim"}, {"_2", path}, {"_3", "3"}});
    ASSERT_TRUE(client.waitForEvent("witness"));
    EXPECT_FALSE(client.waitForEvent("changed", 0ms)) << "no event after unsubscribe";
}

}  // namespace
