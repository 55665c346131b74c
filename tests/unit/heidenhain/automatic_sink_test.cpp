// Program, tool and DNC mode events of the automatic sink and the error
// messages of the error sink, against the simulated controller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <stdexcept>
#include <tuple>

#include "dnc/automatic.h"
#include "dnc/error.h"
#include "dncsim/simulator.h"
#include "heidenhain/cnc/cnc_files.h"
#include "heidenhain/events/automatic_sink.h"
#include "heidenhain/events/error_sink.h"
#include "heidenhain/events/machine_sink.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using NcProgram = std::tuple<std::string, std::string, std::string>;
using ProgramChange = std::tuple<std::int32_t, double, std::string>;
using ToolChange = std::tuple<std::int32_t, Tool, Tool, double>;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

const std::string kDemo = "TNC:\\nc_prog\\demo.h";

class FakeToolId final : public dnc::IJHToolId {
public:
    FakeToolId(std::int32_t id, std::int32_t spare, std::int32_t index, dnc::HRESULT answer = dnc::kOk)
        : id_(id), spare_(spare), index_(index), answer_(answer) {}
    dnc::HRESULT get_toolId(std::int32_t* value) override { return give(id_, value); }
    dnc::HRESULT get_spareToolId(std::int32_t* value) override { return give(spare_, value); }
    dnc::HRESULT get_toolIndex(std::int32_t* value) override { return give(index_, value); }

private:
    dnc::HRESULT give(std::int32_t value, std::int32_t* out) const {
        *out = value;
        return answer_;
    }
    std::int32_t id_, spare_, index_;
    dnc::HRESULT answer_;
};

// An error whose group cannot be read.
class PartlyReadableError final : public dnc::IJHErrorEntry {
public:
    dnc::HRESULT get_text(std::string* text) override { return give("Tool not defined", text); }
    dnc::HRESULT get_group(std::string*) override { return dnc::kFail; }
    dnc::HRESULT get_class(std::string* errorClass) override { return give("ERROR", errorClass); }
    dnc::HRESULT get_number(std::string* number) override { return give("101", number); }

private:
    static dnc::HRESULT give(const char* value, std::string* out) {
        *out = value;
        return dnc::kOk;
    }
};

class AutomaticSinkTest : public SessionTest {
protected:
    // A session whose events the test records; connected to a.test unless told otherwise.
    DncShim& watched(const std::string& name = "mill", bool connect = true, bool withNcProgram = true) {
        auto& shim = session(name);
        shim.programEvents().onProgramStatusChanged([this](std::string event) { statuses.push(event); });
        shim.programEvents().onProgramChanged([this](std::int32_t channel, double timeStamp, std::string path) {
            programs.push({channel, timeStamp, path});
        });
        if (withNcProgram) {
            shim.programEvents().onNcProgramChanged([this](std::string event, std::string directory, std::string program) {
                ncPrograms.push({event, directory, program});
            });
        }
        if (connect) shim.connection().connect("a.test", "tnc640");
        return shim;
    }
    // The control selects the demo program and its events have been handled.
    void selectDemo(DncShim& shim) {
        shim.program().selectProgram(0, kDemo, "");
        ASSERT_TRUE(eventsHandled());
    }

    testsupport::EventQueue<std::string> statuses, modes;
    testsupport::EventQueue<ProgramChange> programs;
    testsupport::EventQueue<NcProgram> ncPrograms;
};

TEST(ProgramPathTest, SplitsAtTheLastBackslash) {
    EXPECT_EQ(splitProgramPath("TNC:\\nc_prog\\part.h").directory, "TNC:\\nc_prog");
    EXPECT_EQ(splitProgramPath("TNC:\\nc_prog\\part.h").name, "part.h");
    EXPECT_EQ(splitProgramPath("part.h").directory, "part.h");
    EXPECT_EQ(splitProgramPath("part.h").name, "part.h");
    EXPECT_EQ(splitProgramPath("TNC:\\").directory, "TNC:");
    EXPECT_EQ(splitProgramPath("TNC:\\").name, "");
}

TEST(ToolTest, JsonNamesTheThreeTexts) {
    EXPECT_EQ(nlohmann::json(Tool{"5", "7", "1"}).dump(), R"({"spareToolId":"7","toolId":"5","toolIndex":"1"})");
}

TEST_F(AutomaticSinkTest, ProgramStatusEventIsLoggedAndCalledBack) {
    auto& mill = watched("mill", true, false);
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_FINISHED), dnc::kOk);
    EXPECT_EQ(sink.OnProgramStatusChanged(42), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(statuses.snapshot(), (std::vector<std::string>{"finished", ""}));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnProgramStatusChanged", "mill: programEvent = finished"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnProgramStatusChanged", "mill: programEvent = "));
}

TEST_F(AutomaticSinkTest, SelectingOnTheControlReportsDirectoryAndName) {
    auto& mill = watched();
    selectDemo(mill);
    EXPECT_EQ(statuses.snapshot(), (std::vector<std::string>{"selected"}));
    // The status event asks the control for the program, the program event tells it.
    EXPECT_EQ(ncPrograms.snapshot(), (std::vector<NcProgram>{{"selected", "TNC:\\nc_prog", "demo.h"},
                                                             {"selected", "TNC:\\nc_prog", "demo.h"}}));
    const auto change = programs.waitPop(0ms);
    ASSERT_TRUE(change);
    EXPECT_EQ(std::get<0>(*change), 0);
    EXPECT_GT(std::get<1>(*change), 40000.0) << "a date value";
    EXPECT_EQ(std::get<2>(*change), kDemo);
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnProgramChanged", "mill: " + kDemo));
}

TEST_F(AutomaticSinkTest, RefreshOnlyOnSelectedOrWhileNoProgramIsKnown) {
    auto& mill = watched();
    selectDemo(mill);
    ncPrograms.clear();
    CAutomaticSink sink(mill.programEvents(), mill.name());
    ASSERT_EQ(sink.OnProgramChanged(0, 1.0, "TNC:\\old\\stale.h"), dnc::kOk);
    // Every ask of the control fails from here on, which shows in the log.
    sim().faults().failNext("GetExecutionPoint", 100, dnc::kFail);
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_STARTED), dnc::kOk);
    EXPECT_FALSE(log.containsTextPart("Error in onProgramStatusChanged"));
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    EXPECT_TRUE(loggedAs(platform::EventWarning, "OnProgramStatusChanged",
                         "mill Error in onProgramStatusChanged: 0x80004005"));
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(ncPrograms.snapshot(), (std::vector<NcProgram>{{"selected", "TNC:\\old", "stale.h"},
                                                             {"started", "TNC:\\old", "stale.h"}}));
    sim().faults().clear();
    ncPrograms.clear();
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(ncPrograms.snapshot(), (std::vector<NcProgram>{{"selected", "TNC:\\nc_prog", "demo.h"}}));

    // A session that knows no program yet asks on any event.
    auto& lathe = watched("lathe");
    ncPrograms.clear();
    CAutomaticSink latheSink(lathe.programEvents(), lathe.name());
    EXPECT_EQ(latheSink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_STOPPED), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(ncPrograms.snapshot(), (std::vector<NcProgram>{{"stopped", "TNC:\\nc_prog", "demo.h"}}));
}

TEST_F(AutomaticSinkTest, WithoutNcProgramCallbackTheControlIsNeverAsked) {
    auto& mill = watched("mill", true, false);
    CAutomaticSink sink(mill.programEvents(), mill.name());
    sim().faults().failNext("GetExecutionPoint", 100, dnc::kFail);
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_STARTED), dnc::kOk);
    EXPECT_FALSE(log.containsTextPart("Error in onProgramStatusChanged"));
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(statuses.size(), 2u);
    sim().faults().clear();
}

TEST_F(AutomaticSinkTest, ProgramChangedBeforeAnyStatusEventHasNoEventName) {
    auto& mill = watched();
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnProgramChanged(3, 2.5, "TNC:\\nc_prog\\part.h"), dnc::kOk);
    EXPECT_EQ(sink.OnProgramChanged(3, 2.5, "part.h"), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(ncPrograms.snapshot(),
              (std::vector<NcProgram>{{"", "TNC:\\nc_prog", "part.h"}, {"", "part.h", "part.h"}}));
    EXPECT_EQ(programs.snapshot(),
              (std::vector<ProgramChange>{{3, 2.5, "TNC:\\nc_prog\\part.h"}, {3, 2.5, "part.h"}}));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnProgramChanged", "mill: TNC:\\nc_prog\\part.h"));
}

TEST_F(AutomaticSinkTest, WithoutConnectionOnlyTheStatusIsCalledBack) {
    auto& idle = watched("idle", false);
    CAutomaticSink idleSink(idle.programEvents(), idle.name());
    EXPECT_EQ(idleSink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);

    auto& mill = watched();
    sim().loseLink("a.test");
    ASSERT_TRUE(eventsHandled());
    ASSERT_FALSE(mill.connection().isConnected());
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(statuses.snapshot(), (std::vector<std::string>{"selected", "selected"}));
    EXPECT_EQ(ncPrograms.size(), 0u);
    EXPECT_FALSE(log.containsTextPart("Event produced error"));
    sim().restoreLink("a.test");
}

TEST_F(AutomaticSinkTest, LostLinkWhileAskingSchedulesTheDisconnect) {
    auto& mill = watched();
    testsupport::EventQueue<std::string> lost;
    mill.connection().onConnectLost([&](std::string text) { lost.push(text); });
    CAutomaticSink sink(mill.programEvents(), mill.name());
    sim().faults().failNext("GetExecutionPoint", 1, dnc::kConnectionLost);
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    EXPECT_TRUE(loggedAs(platform::EventWarning, "OnProgramStatusChanged",
                         "mill in onProgramStatusChanged: Connection to CNC lost (0x800406cc)."));
    EXPECT_TRUE(logged("scheduleDisconnect", "mill Triggering machine disconnect"));
    EXPECT_FALSE(mill.connection().isConnected());
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(ncPrograms.size(), 0u);
}

// A disconnect scheduled while the control answered keeps the answer.
TEST_F(AutomaticSinkTest, ADisconnectScheduledDuringTheReadKeepsItsAnswer) {
    auto& mill = watched();
    CAutomaticSink sink(mill.programEvents(), mill.name());
    sim().faults().delay("GetExecutionPoint", 10s, 1);
    auto handled = std::async(std::launch::async, [&] { return sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetExecutionPoint", 5s));
    mill.context().scheduleDisconnect();
    sim().faults().releaseDelayed();
    EXPECT_EQ(handled.get(), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(ncPrograms.size(), 1u);
    EXPECT_FALSE(log.containsTextPart("Event produced error"));
}

// A failing handler answers 1 every time and logs its first failure, naming
// itself, the session and the cause; the next connection's sinks log again.
TEST_F(AutomaticSinkTest, FailuresAnswerOneAndEachHandlerLogsItsFirst) {
    auto& mill = session();
    mill.programEvents().onToolChanged([](auto&&...) {});
    const auto unreadable = std::make_shared<FakeToolId>(1, 0, 0, dnc::kFail);
    for (std::size_t connection = 1; connection <= 2; ++connection) {
        CAutomaticSink automatic(mill.programEvents(), mill.name());
        EXPECT_EQ(automatic.OnToolChanged(0, unreadable, unreadable, 1.0), dnc::kFalse);
        EXPECT_EQ(automatic.OnToolChanged(0, unreadable, unreadable, 1.0), dnc::kFalse);
        const auto written = texts();
        EXPECT_EQ(std::count_if(written.begin(), written.end(),
                                [](const std::string& text) {
                                    return text.find("mill: OnToolChanged Event produced error: ") != std::string::npos;
                                }),
                  connection);
    }
}

// The callbacks run after the handlers, from the session's event queue: a
// callback that fails is logged there, once for a run of the same failure.
TEST_F(AutomaticSinkTest, FailingCallbacksDoNotReachTheSdk) {
    auto& mill = session();
    mill.programEvents().onProgramStatusChanged([](std::string) { throw std::runtime_error("client gone"); });
    mill.programEvents().onDncModeChanged([](std::string) { throw std::runtime_error("client gone"); });
    mill.programEvents().onProgramChanged([](std::int32_t, double, std::string) { throw std::runtime_error("client gone"); });
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_STARTED), dnc::kOk);
    EXPECT_EQ(sink.OnDncModeChanged(dnc::DNC_MODE_LOCAL), dnc::kOk);
    EXPECT_EQ(sink.OnProgramChanged(0, 1.0, kDemo), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    const auto written = texts();
    EXPECT_EQ(
        std::count(written.begin(), written.end(), entry("raiseEvent", "mill: Event produced error: client gone")), 1);
}

TEST_F(AutomaticSinkTest, DncModeEventFromTheControl) {
    auto& mill = watched();
    mill.programEvents().onDncModeChanged([this](std::string mode) { modes.push(mode); });
    sim().controller("a.test")->programs().setDncMode(dnc::DNC_MODE_LOCAL);
    ASSERT_TRUE(eventsHandled());
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnDncModeChanged(7), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(modes.snapshot(), (std::vector<std::string>{"mode_local", ""}));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnDncModeChanged", "mill: mode_local"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnDncModeChanged", "mill: "));
}

TEST_F(AutomaticSinkTest, ToolChangeGivesBothTools) {
    auto& mill = session();
    testsupport::EventQueue<ToolChange> tools;
    mill.programEvents().onToolChanged([&](std::int32_t channel, Tool out, Tool in, double timeStamp) {
        tools.push({channel, out, in, timeStamp});
    });
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnToolChanged(1, std::make_shared<FakeToolId>(5, 7, 1), std::make_shared<FakeToolId>(12, -1, 0),
                                 45000.25),
              dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(tools.snapshot(), (std::vector<ToolChange>{{1, Tool{"5", "7", "1"}, Tool{"12", "-1", "0"}, 45000.25}}));
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("OnToolChanged", "mill")}));
}

TEST_F(AutomaticSinkTest, ExecutionMessageIsOnlyLogged) {
    auto& mill = session();
    CAutomaticSink sink(mill.programEvents(), mill.name());
    EXPECT_EQ(sink.OnExecutionMessage(0, dnc::Variant(3), "Spindle ?"), dnc::kOk);
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("OnExecutionMessage", "mill: Spindle ?")}));
}

TEST_F(AutomaticSinkTest, DetachedSinkDropsEvents) {
    auto& mill = watched("mill", false);
    CAutomaticSink sink(mill.programEvents(), mill.name());
    sink.detach();
    EXPECT_EQ(sink.OnProgramStatusChanged(dnc::DNC_PRG_EVT_SELECTED), dnc::kOk);
    EXPECT_EQ(sink.OnProgramChanged(0, 1.0, kDemo), dnc::kOk);
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(statuses.size() + programs.size(), 0u);
}

TEST_F(AutomaticSinkTest, ConnectAdvisesBothSinksDisconnectEndsTheirEvents) {
    auto& mill = watched();
    EXPECT_TRUE(mill.interfaces().hasAutomaticEvents());
    EXPECT_TRUE(mill.interfaces().hasErrorEvents());
    ASSERT_TRUE(sim().raiseError("a.test", "Emergency stop", "OPERATING", "EMERGENCY_STOP", "1030"));
    ASSERT_TRUE(sim().raiseError("a.test", "Emergency stop", "OPERATING", "EMERGENCY_STOP", "1030", true));
    ASSERT_TRUE(eventsHandled());
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnError2",
                         "mill: 1030: Emergency stop; OPERATING; EMERGENCY_STOP"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnErrorCleared2", "mill: Error cleared - 1030: Emergency stop"));

    mill.connection().disconnect();
    EXPECT_FALSE(mill.interfaces().hasAutomaticEvents());
    EXPECT_FALSE(mill.interfaces().hasErrorEvents());
    log.clear();
    ASSERT_TRUE(sim().raiseError("a.test", "Emergency stop", "OPERATING", "EMERGENCY_STOP", "1030"));
    sim().controller("a.test")->programs().setDncMode(dnc::DNC_MODE_LOCAL);
    ASSERT_TRUE(eventsHandled());
    EXPECT_TRUE(texts().empty());
}

TEST_F(AutomaticSinkTest, ErrorTextThatCannotBeReadStaysEmpty) {
    auto& mill = session();
    CErrorSink sink(mill.context().guard, mill.name());
    EXPECT_EQ(sink.OnError2(std::make_shared<PartlyReadableError>()), dnc::kOk);
    EXPECT_EQ(sink.OnErrorCleared2(std::make_shared<PartlyReadableError>()), dnc::kOk);
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("OnError2", "mill: 101: Tool not defined; ; ERROR"),
                                                 entry("OnErrorCleared2", "mill: Error cleared - 101: Tool not defined")}));
    sink.detach();
    EXPECT_EQ(sink.OnError2(std::make_shared<PartlyReadableError>()), dnc::kOk);
    EXPECT_EQ(texts().size(), 2u);
}

}  // namespace
}  // namespace heidenhain
