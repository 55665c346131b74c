// Program control and overrides of a session against the simulated control.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dncsim/simulator.h"
#include "heidenhain/sdk/sdk_arguments.h"
#include "tests/support/fake_clock.h"
#include "tests/unit/heidenhain/session_fixture.h"
#include "tests/unit/heidenhain/source_line.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;

const std::string kDemo = "TNC:\\nc_prog\\demo.h";

dncsim::ProgramRunner& runner(const std::string& host) { return dncsim::Simulator::instance().controller(host)->programs(); }

class ProgramTest : public SessionTest {
protected:
    DncShim& connected(const std::string& controllerType = "tnc640") {
        auto& mill = session();
        mill.connection().connect("a.test", controllerType);
        log.clear();
        return mill;
    }
};

TEST_F(ProgramTest, CommandsReachTheControlAndAreLogged) {
    testsupport::FakeClock clock;
    auto& mill = connected();
    EXPECT_EQ(mill.program().getProgramStatus(), "not_selected");
    mill.program().selectProgram(0, kDemo, "__null__");
    EXPECT_EQ(mill.program().getProgramStatus(), "idle");
    mill.program().startProgram("");
    EXPECT_EQ(mill.program().getProgramStatus(), "running");
    mill.program().stopProgram(0, true);
    EXPECT_EQ(mill.program().getProgramStatus(), "stopped");
    mill.program().startProgram(kDemo);
    mill.program().stopProgram(0, false);
    EXPECT_EQ(mill.program().getProgramStatus(), "interrupted");
    mill.program().cancelProgram(0);
    EXPECT_EQ(mill.program().getProgramStatus(), "idle");
    mill.program().startProgram("");
    clock.advance(12s);
    EXPECT_EQ(mill.program().getProgramStatus(), "finished");
    mill.program().clearControl();
    EXPECT_EQ(mill.program().getProgramStatus(), "not_selected");
    mill.program().setExecutionMode("singlestep");
    EXPECT_EQ(mill.program().getDncMode(), "mode_remote");
    runner("a.test").setDncMode(dnc::DNC_MODE_LOCAL);
    EXPECT_EQ(mill.program().getDncMode(), "mode_local");
    EXPECT_EQ(functionTexts(), (std::vector<std::string>{
                           entry("selectProgram", "mill: 0, " + kDemo + ", __null__"),
                           entry("startProgram", "mill: "),
                           entry("stopProgram", "mill"),
                           entry("startProgram", "mill: " + kDemo),
                           entry("stopProgram", "mill"),
                           entry("cancelProgram", "mill: 0"),
                           entry("startProgram", "mill: "),
                           entry("clearControl", "mill"),
                           entry("setExecutionMode", "mill: singlestep"),
                       }));
}

TEST_F(ProgramTest, ExecutionModeNamesAndArgumentConversions) {
    auto& mill = connected();
    mill.program().setExecutionMode("handwheel");
    EXPECT_EQ(runner("a.test").executionMode(), dnc::DNC_EXEC_HANDWHEEL);
    // Mode 0 for an unknown name would switch the machine to manual.
    for (const std::string unknown : {"exec_manual", "Automatic", "bogus", ""}) {
        EXPECT_THAT([&] { mill.program().setExecutionMode(unknown); },
                    testing::ThrowsMessage<std::invalid_argument>(testing::StrEq(
                        "Invalid argument: Execution mode " + unknown + " does not exist; valid names are manual, mdi, "
                        "rpf, singlestep, automatic, other, simulo_turbo_deprecated, handwheel")));
        EXPECT_FALSE(logged("setExecutionMode", "mill: " + unknown));
    }
    EXPECT_EQ(runner("a.test").executionMode(), dnc::DNC_EXEC_HANDWHEEL) << "nothing sent";

    EXPECT_TRUE(toVariant("__null__").isEmpty());
    EXPECT_EQ(toVariant(""), dnc::Variant(""));
    EXPECT_EQ(toVariant("N10"), dnc::Variant("N10"));
    EXPECT_EQ(toVariantBool(true), -1);
    EXPECT_EQ(toVariantBool(false), 0);
    EXPECT_EQ(toBSTR("Frässtück.h"), "Frässtück.h");
}

TEST_F(ProgramTest, SdkRefusalsBecomeTheGuardsText) {
    auto& mill = connected();
    EXPECT_EQ(failureOf([&] { mill.program().startProgram(""); }),
              "Call _automatic->StartProgram(toBSTR(programName)) produced error (0x8004045b): Trying to start while "
              "there is no part program selected in Automatic process (isConnected:1, "
              "heidenhain/session_program.cpp:N)");
    EXPECT_EQ(failureOf([&] { mill.program().selectProgram(0, "TNC:\\nc_prog\\none.h", ""); }),
              "Call _automatic->SelectProgram(channel, toBSTR(programName), toVariant(startBlockNumber)) produced "
              "error (0x800404c8): The file specified cannot be found (isConnected:1, "
              "heidenhain/session_program.cpp:N)");
    EXPECT_EQ(failureOf([&] { mill.program().cancelProgram(0); }),
              "Call _automatic->CancelProgram(channel) produced error (0x80040267): Command cannot be executed in "
              "this mode of the CNC (isConnected:1, heidenhain/session_program.cpp:N)");
    EXPECT_TRUE(logged("cancelProgram", "mill: 0")) << "the log line precedes the SDK call";
}

TEST_F(ProgramTest, OverridesAndTheirBounds) {
    auto& mill = connected();
    mill.program().setOverrideFeed(120);
    mill.program().setOverrideSpeed(80);
    mill.program().setOverrideRapid(25);
    EXPECT_EQ(mill.program().getOverrideInfoFeed(), 120);
    EXPECT_EQ(mill.program().getOverrideInfoSpeed(), 80);
    EXPECT_EQ(mill.program().getOverrideInfoRapid(), 25);
    const auto bounds = [](const std::string& call) {
        return "Call _automatic->" + call +
               " produced error (0x80040268): Entered value is outside its boundaries "
               "(isConnected:1, heidenhain/session_program.cpp:N)";
    };
    EXPECT_EQ(failureOf([&] { mill.program().setOverrideFeed(151); }), bounds("SetOverrideFeed(percentage)"));
    EXPECT_EQ(failureOf([&] { mill.program().setOverrideSpeed(49); }), bounds("SetOverrideSpeed(percentage)"));
    EXPECT_EQ(failureOf([&] { mill.program().setOverrideRapid(101); }), bounds("SetOverrideRapid(percentage)"));
    EXPECT_EQ(mill.program().getOverrideInfoFeed(), 120);
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("setOverrideFeed", "mill: 120"),
                                                 entry("setOverrideSpeed", "mill: 80"),
                                                 entry("setOverrideRapid", "mill: 25"),
                                                 entry("setOverrideFeed", "mill: 151"),
                                                 entry("setOverrideSpeed", "mill: 49"),
                                                 entry("setOverrideRapid", "mill: 101")}));

    dncsim::Simulator::instance().faults().failNext("GetOverrideInfo", 1, dnc::kFail);
    EXPECT_EQ(failureOf([&] { mill.program().getOverrideInfoRapid(); }),
              "Call _automatic->GetOverrideInfo(&feed, &speed, &rapid) produced error (0x80004005): An unspecified "
              "failure has occurred (isConnected:1, heidenhain/session_program.cpp:N)");
}

TEST_F(ProgramTest, OverrideValuesThatAreNoIntegerReadAsZero) {
    EXPECT_EQ(int32Of(dnc::Variant(std::int32_t{-7})), -7);
    EXPECT_EQ(int32Of(dnc::Variant::fromSigned(dnc::VT_I2, 90)), 90);
    EXPECT_EQ(int32Of(dnc::Variant(100.0)), 0);
    EXPECT_EQ(int32Of(dnc::Variant("100")), 0);
    EXPECT_EQ(int32Of(dnc::Variant::fromSigned(dnc::VT_I8, 5)), 0) << "64 bits would not fit";
    EXPECT_EQ(int32Of(dnc::Variant()), 0);
}

// Every function with the call it makes, for the paths that fail before the SDK.
struct Function {
    const char* name;
    std::function<void(DncShim&)> call;
    bool refusedOnTnc426;
};

const std::vector<Function>& functions() {
    static const std::vector<Function> all = {
        {"selectProgram", [](DncShim& s) { s.program().selectProgram(0, kDemo, ""); }, true},
        {"startProgram", [](DncShim& s) { s.program().startProgram(kDemo); }, false},
        {"stopProgram", [](DncShim& s) { s.program().stopProgram(0, true); }, true},
        {"cancelProgram", [](DncShim& s) { s.program().cancelProgram(0); }, true},
        {"setExecutionMode", [](DncShim& s) { s.program().setExecutionMode("manual"); }, true},
        {"getProgramStatus", [](DncShim& s) { s.program().getProgramStatus(); }, true},
        {"getDncMode", [](DncShim& s) { s.program().getDncMode(); }, false},
        {"clearControl", [](DncShim& s) { s.program().clearControl(); }, false},
        {"getOverrideInfoFeed", [](DncShim& s) { s.program().getOverrideInfoFeed(); }, false},
        {"getOverrideInfoSpeed", [](DncShim& s) { s.program().getOverrideInfoSpeed(); }, false},
        {"getOverrideInfoRapid", [](DncShim& s) { s.program().getOverrideInfoRapid(); }, false},
        {"setOverrideFeed", [](DncShim& s) { s.program().setOverrideFeed(100); }, false},
        {"setOverrideRapid", [](DncShim& s) { s.program().setOverrideRapid(100); }, false},
        {"setOverrideSpeed", [](DncShim& s) { s.program().setOverrideSpeed(100); }, false},
    };
    return all;
}

TEST_F(ProgramTest, EveryFunctionNeedsTheConnectionAndTheAutomaticInterface) {
    auto& idle = session("idle");
    dncsim::Simulator::instance().faults().withholdInterface(dnc::DNC_INTERFACE_JHAUTOMATIC);
    auto& mill = connected();
    for (const auto& function : functions()) {
        const std::string qualified = std::string("DncShim::") + function.name;
        testing::internal::CaptureStderr();
        const std::string disconnected = "Unexpected online call CHECK_INTERFACE(Automatic) while disconnected in" +
                                         qualified + ", heidenhain/session_program.cpp:N)";
        EXPECT_EQ(failureOf([&] { function.call(idle); }), disconnected);
        EXPECT_EQ(withoutLine(testing::internal::GetCapturedStderr()), disconnected + "\n");

        const std::string missing = "mill does not have IJHAutomatic interface; cannot call " + qualified +
                                    ", heidenhain/session_program.cpp:N)";
        log.clear();
        EXPECT_EQ(failureOf([&] { function.call(mill); }), missing);
        ASSERT_EQ(texts().size(), 1u) << function.name << ": no log line of the function itself";
        EXPECT_EQ(withoutLine(texts()[0]), entry(function.name, "mill: " + missing));
    }
}

TEST_F(ProgramTest, Tnc426RefusesSomeFunctionsInEveryState) {
    auto& old = session("old");
    auto refusesAll = [&] {
        for (const auto& function : functions()) {
            if (!function.refusedOnTnc426) continue;
            const std::string refusal = std::string("Method ") + function.name + " not available for controller type tnc426";
            log.clear();
            EXPECT_EQ(failureOf([&] { function.call(old); }), refusal);
            EXPECT_EQ(log.entriesOf(platform::kAgentEventSource),
                      (std::vector<testsupport::CapturedEvent>{{platform::kAgentEventSource, platform::EventInformation,
                                                                entry(function.name, "old: " + refusal)}}));
        }
    };
    // A connect that fails on its protocol keeps the controller type.
    EXPECT_THROW(old.connection().connect("b.test", "tnc426", "bogus"), std::runtime_error);
    refusesAll();
    old.connection().connect("b.test", "tnc426");
    refusesAll();
    old.program().clearControl();
    old.program().startProgram(kDemo);
    EXPECT_EQ(old.program().getDncMode(), "mode_remote");
    old.program().setOverrideFeed(90);
    EXPECT_EQ(old.program().getOverrideInfoFeed(), 90);
}

}  // namespace
}  // namespace heidenhain
