// The table monitor through the built executable and a private broker: a
// tool row changed on the simulated control arrives as a table event.
#include <gtest/gtest.h>

#include "tests/integration/executable_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class TableMonitor : public ExecutableFixture {
protected:
    TableMonitor() : ExecutableFixture("monitor-client") {}
    // Changes the cell on the control until the monitor reports it: a change
    // that falls before the monitor's first cycle is only remembered.
    std::optional<json> changeUntilReported(const std::string& simulator, const std::string& path,
                                            const std::string& callbackId, std::string& written) {
        for (int attempt = 1; attempt <= 5; ++attempt) {
            written = "CHANGED_" + std::to_string(attempt);
            call("DncSimulator/" + simulator + "/setDataValue", {{"_1", "old.sim"}, {"_2", path}, {"_3", written}});
            if (auto event = client.waitForEvent(callbackId, 4s)) return event;
        }
        return std::nullopt;
    }
};

TEST_F(TableMonitor, ChangedToolRowIsReportedWithItsNewAndOldRow) {
    const std::string simulator = call("DncSimulator/__static__/__create__")["r"];
    const std::string mill = call("DncShim/__static__/__create__", {{"_1", "old"}})["r"];
    const std::string session = "DncShim/" + mill + "/";
    ASSERT_TRUE(call(session + "setTableMonitorInterval", {{"_1", 1}})["r"].is_null());
    EXPECT_EQ(call(session + "getTableMonitorInterval")["r"], 1);
    EXPECT_EQ(call(session + "setTableMonitorInterval", {{"_1", 0}})["e"], "Value must be greater than zero");
    ASSERT_TRUE(call(session + "onToolTableChanged", {{"_1", "tools"}})["r"].is_null());
    ASSERT_TRUE(call(session + "connect", {{"_1", "old.sim"}, {"_2", "itnc530"}})["r"].is_null());

    std::string written;
    auto event = changeUntilReported(simulator, "\\TABLE\\TOOL\\T\\2\\NAME", "tools", written);
    ASSERT_TRUE(event) << "no tool table event";
    EXPECT_EQ((*event)["context"], mill);
    EXPECT_EQ((*event)["method"], "onToolTableChanged");
    const json& data = (*event)["data"];
    EXPECT_EQ(data["_1"], "2");
    EXPECT_EQ(data["_2"]["T"], "2");
    EXPECT_EQ(data["_2"]["NAME"], written);
    EXPECT_NE(data["_3"]["NAME"], written);
    EXPECT_EQ(data["_2"]["L"], data["_3"]["L"]) << "the other cells are the row's own";
    ASSERT_TRUE(call(session + "disconnect")["r"].is_null());
}

}  // namespace
