// Running times and the machine state summary of a session, and the remote
// rows of program control and process data.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/local_factory.h"
#include "dncsim/simulator.h"
#include "heidenhain/session/registration.h"
#include "tests/support/fake_clock.h"
#include "tests/unit/heidenhain/session_fixture.h"
#include "tests/unit/heidenhain/source_line.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

// The simulated machine's hours before the simulation started.
constexpr std::int32_t kMachineUpBefore = 1520 * 60;
constexpr std::int32_t kMachineRunningBefore = 742 * 60 + 30;

class ProcessDataTest : public SessionTest {
protected:
    // Installed before any control exists, so that every time is known.
    testsupport::FakeClock clock;
};

TEST_F(ProcessDataTest, TimesInMinutesAdvanceWithTheClock) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    log.clear();
    clock.advance(2h + 5min + 59s);
    EXPECT_EQ(mill.program().getNcUpTime(), 125) << "2 hours and 5 minutes";
    EXPECT_EQ(mill.program().getMachineUpTime(), kMachineUpBefore + 125);
    EXPECT_EQ(mill.program().getMachineRunningTime(), kMachineRunningBefore);
    EXPECT_EQ(mill.program().getSpindleRunningTime(1), 12 * 60 + 45);

    mill.program().startProgram("TNC:\\nc_prog\\demo.h");
    clock.advance(12s);
    EXPECT_EQ(mill.program().getProgramStatus(), "finished");
    EXPECT_EQ(mill.program().getSpindleRunningTime(0), 615 * 60 + 10) << "12 seconds of the spindle are no minute yet";
    EXPECT_EQ(failureOf([&] { mill.program().getSpindleRunningTime(7); }),
              "Call _processData->GetSpindleRunningTime(axisId, &hours, &minutes) produced error (0x8004027b): Given "
              "axis is not valid (isConnected:1, heidenhain/session_process_data.cpp:N)");
    EXPECT_EQ(functionTexts(), std::vector<std::string>{entry("startProgram", "mill: TNC:\\nc_prog\\demo.h")})
        << "time queries write no log line";
}

TEST_F(ProcessDataTest, EveryTimeNeedsTheConnectionAndTheProcessDataInterface) {
    const std::vector<std::pair<const char*, std::function<void(DncShim&)>>> functions = {
        {"getNcUpTime", [](DncShim& s) { s.program().getNcUpTime(); }},
        {"getMachineUpTime", [](DncShim& s) { s.program().getMachineUpTime(); }},
        {"getSpindleRunningTime", [](DncShim& s) { s.program().getSpindleRunningTime(0); }},
        {"getMachineRunningTime", [](DncShim& s) { s.program().getMachineRunningTime(); }},
    };
    auto& idle = session("idle");
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHPROCESSDATA);
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    for (const auto& [name, call] : functions) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(failureOf([&] { call(idle); }),
                  std::string("Unexpected online call CHECK_INTERFACE(ProcessData) while disconnected inDncShim::") +
                      name + ", heidenhain/session_process_data.cpp:N)");
        testing::internal::GetCapturedStderr();
        const std::string missing = std::string("mill does not have IJHProcessData interface; cannot call DncShim::") +
                                    name + ", heidenhain/session_process_data.cpp:N)";
        log.clear();
        EXPECT_EQ(failureOf([&] { call(mill); }), missing);
        ASSERT_EQ(texts().size(), 1u);
        EXPECT_EQ(withoutLine(texts()[0]), entry(name, "mill: " + missing));
    }
}

TEST_F(ProcessDataTest, Tnc426HasNoNcUpTimeAndRefusesTheMachineTimes) {
    auto& old = session("old");
    EXPECT_THROW(old.connection().connect("b.test", "tnc426", "bogus"), std::runtime_error);
    EXPECT_EQ(old.program().getNcUpTime(), 0) << "also while disconnected";
    old.connection().connect("b.test", "tnc426");
    clock.advance(3h);
    EXPECT_EQ(old.program().getNcUpTime(), 0);
    EXPECT_EQ(old.program().getSpindleRunningTime(0), 615 * 60 + 10);
    for (const std::string function : {"getMachineUpTime", "getMachineRunningTime"}) {
        log.clear();
        const std::string refusal = "Method " + function + " not available for controller type tnc426";
        EXPECT_EQ(failureOf([&] { function == "getMachineUpTime" ? old.program().getMachineUpTime() : old.program().getMachineRunningTime(); }),
                  refusal);
        EXPECT_TRUE(loggedAs(platform::EventInformation, function, "old: " + refusal));
    }
    EXPECT_EQ(failureOf([&] { old.program().getMachineState(); }),
              "Method getMachineRunningTime not available for controller type tnc426");
}

TEST_F(ProcessDataTest, MachineStateSummary) {
    auto& mill = session();
    EXPECT_EQ(json(mill.program().getMachineState()),
              (json{{"machineRunningTime", 0}, {"machineUpTime", 0}, {"ncUpTime", 0}, {"state", "off"}}))
        << "disconnected: no error";
    mill.connection().connect("a.test", "tnc640");
    clock.advance(2h + 5min);
    auto state = mill.program().getMachineState();
    EXPECT_EQ(state.state, "idle");
    EXPECT_EQ(state.ncUpTime, 7500u);
    EXPECT_EQ(state.machineUpTime, (kMachineUpBefore + 125) * 60u);
    EXPECT_EQ(state.machineRunningTime, kMachineRunningBefore * 60u);
    const json written = mill.program().getMachineState();
    EXPECT_EQ(written.dump(), R"({"machineRunningTime":2673000,"machineUpTime":5479500,"ncUpTime":7500,"state":"idle"})");
    EXPECT_TRUE(written["ncUpTime"].is_number_unsigned());

    mill.program().startProgram("TNC:\\nc_prog\\demo.h");
    EXPECT_EQ(mill.program().getMachineState().state, "running");
    sim().faults().setBooting("a.test", true);
    state = mill.program().getMachineState();
    EXPECT_EQ(state.state, "off") << "the machine is not available";
    EXPECT_EQ(state.ncUpTime, 7500u) << "the times are read all the same";

    sim().faults().failNext("GetMachineUpTime", 1, dnc::kFail);
    EXPECT_EQ(failureOf([&] { mill.program().getMachineState(); }),
              "Call _processData->GetMachineUpTime(&hours, &minutes) produced error (0x80004005): An unspecified "
              "failure has occurred (isConnected:1, heidenhain/session_process_data.cpp:N)");
}

json call(const std::string& context, const std::string& method, json data = json::object()) {
    json message = {{"sender", "c/1/r"}, {"id", 1}, {"context", context}, {"method", method}, {"data", data}};
    nolt::LocalFactory::instance().call(message);
    return message["data"].contains("e") ? message["data"]["e"] : message["data"]["r"];
}

TEST_F(ProcessDataTest, RemoteRowsOfProgramControlAndProcessData) {
    registerDncShim();
    const auto keys = nolt::LocalFactory::instance().memberFunctionKeys("DncShim");
    for (const char* key :
         {"getNcUpTime", "getMachineUpTime", "getSpindleRunningTime-number", "getMachineRunningTime",
          "selectProgram-numberstringstring", "stopProgram-numberboolean", "cancelProgram-number",
          "setExecutionMode-string", "startProgram-string", "getProgramStatus", "getDncMode", "clearControl",
          "setOverrideFeed-number", "setOverrideRapid-number", "setOverrideSpeed-number", "getOverrideInfoFeed",
          "getOverrideInfoSpeed", "getOverrideInfoRapid", "getMachineState"})
        EXPECT_THAT(keys, testing::Contains(key));

    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    EXPECT_EQ(call(id, "getMachineState"),
              (json{{"machineRunningTime", 0}, {"machineUpTime", 0}, {"ncUpTime", 0}, {"state", "off"}}));
    EXPECT_EQ(call(id, "connect", {{"_1", "a.test"}, {"_2", "tnc640"}}), nullptr);
    EXPECT_EQ(call(id, "selectProgram", {{"_1", 0}, {"_2", "TNC:\\nc_prog\\drill.h"}, {"_3", "__null__"}}),
              nullptr);
    EXPECT_EQ(call(id, "startProgram", {{"_1", ""}}), nullptr);
    EXPECT_EQ(call(id, "stopProgram", {{"_1", 0}, {"_2", false}}), nullptr);
    EXPECT_EQ(call(id, "getProgramStatus"), "interrupted");
    EXPECT_EQ(call(id, "setOverrideSpeed", {{"_1", 120}}), nullptr);
    EXPECT_EQ(call(id, "getOverrideInfoSpeed"), 120);
    EXPECT_EQ(call(id, "getSpindleRunningTime", {{"_1", 1}}), 12 * 60 + 45);
    EXPECT_EQ(call(id, "disconnect"), nullptr);
    nolt::LocalFactory::instance().clearInstances();
}

}  // namespace
}  // namespace heidenhain
