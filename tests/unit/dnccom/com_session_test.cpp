// Sessions through the COM adapter on the simulated component under Wine:
// every interface and every sink of the component, result codes passed
// through, texts as UTF-8, references balanced (checked after each test).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "dnc/factory.h"
#include "dnccom/event_sink.h"
#include "heidenhain/text/base64.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/wait_for.h"
#include "tests/unit/dnccom/component_fixture.h"

namespace dnccom {
namespace {

using heidenhain::TableRow;
using heidenhain::Tool;
using nlohmann::json;
using testing::HasSubstr;
using testing::StartsWith;
using testing::ThrowsMessage;
using namespace std::chrono_literals;

class ComSessionTest : public ComponentTest {};

TEST_F(ComSessionTest, ConnectStateMachineEventsAndTheLostLink) {
    auto& mill = session();
    testsupport::EventQueue<std::string> states, lost;
    mill.connection().onStateChanged([&](std::string event) { states.push(event); });
    mill.connection().onConnectLost([&](std::string text) { lost.push(text); });
    mill.connection().connect("a.test", "tnc640");
    EXPECT_EQ(mill.connection().getState(), "machine_is_available");
    EXPECT_EQ(mill.connection().getVersion(), "1.7.3.0");
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces(),
              (json{{"automaticEvents", true}, {"automaticInterface", true}, {"dataAccessEvents", true},
                    {"dataAccessInterface", true}, {"errorEvents", true}, {"errorInterface", true},
                    {"fileSystemInterface", true}, {"itncTableInterface", false}, {"machineEvents", true},
                    {"machineInterface", true}}));

    ASSERT_TRUE(component().raiseMachineEvent("a.test", 6));
    EXPECT_EQ(states.waitPop(5s), "machine_available");
    component().loseLink("a.test");
    EXPECT_TRUE(states.waitTake([](const std::string& s) { return s == "connection_lost"; }, 5s));
    EXPECT_EQ(lost.waitPop(5s), "");
    EXPECT_FALSE(mill.connection().isConnected());
    mill.connection().disconnect();
    component().restoreLink("a.test");
    mill.connection().connect("a.test", "tnc640");
    EXPECT_TRUE(mill.connection().isConnected()) << "the same SDK connection is used again";
}

TEST_F(ComSessionTest, ResultCodesOfTheComponentKeepTheirTexts) {
    auto& mill = session();
    EXPECT_THAT([&] { mill.connection().connect("x.invalid", "tnc640"); },
                ThrowsMessage<std::runtime_error>(
                    HasSubstr("The CNC IP address x.invalid could not be contacted. Maybe the machine is not online.")));
    mill.connection().connect("a.test", "tnc640");
    EXPECT_THAT([&] { mill.data().setValue("\\CFG\\machine\\name", "x"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Call dataEntry->SetPropertyValue(dataPath=\\CFG\\machine\\name) produced error "
                               "(0x8004026d): Attempt to alter protected data")));
    EXPECT_THAT([&] { mill.program().selectProgram(0, "TNC:\\nc_prog\\none.h", ""); },
                ThrowsMessage<std::runtime_error>(HasSubstr("(0x800404c8): The file specified cannot be found")));
}

TEST_F(ComSessionTest, AMissingComponentIsNamedAtConnect) {
    component().unregisterServer();
    auto& mill = session();
    EXPECT_THAT([&] { mill.connection().connect("a.test", "tnc640"); },
                ThrowsMessage<std::runtime_error>(
                    HasSubstr("failed because: The type library HeidenhainDNCLib is not registered")));
    component().registerServer();
    std::string version;
    EXPECT_EQ(dnc::machineFactory()->GetVersion(&version), 0);
    EXPECT_EQ(version, "1.7.3.0");
}

TEST_F(ComSessionTest, ProgramControlOverridesTimesAndAutomaticEvents) {
    auto& mill = session();
    testsupport::EventQueue<std::string> statuses;
    testsupport::EventQueue<std::vector<std::string>> programs;
    testsupport::EventQueue<std::pair<Tool, Tool>> tools;
    mill.programEvents().onProgramStatusChanged([&](std::string event) { statuses.push(event); });
    mill.programEvents().onNcProgramChanged([&](std::string event, std::string dir, std::string name) {
        programs.push({event, dir, name});
    });
    mill.connection().connect("b.test", "itnc530");
    mill.program().selectProgram(0, "TNC:\\nc_prog\\demo.h", "");
    EXPECT_EQ(statuses.waitPop(5s), "selected");
    EXPECT_EQ(programs.waitTake([](const auto& p) { return p[0] == "selected"; }, 5s),
              (std::vector<std::string>{"selected", "TNC:\\nc_prog", "demo.h"}))
        << "the execution point read through the component";
    mill.program().startProgram("");
    EXPECT_EQ(mill.program().getProgramStatus(), "running");
    mill.program().stopProgram(0, false);
    mill.program().cancelProgram(0);
    EXPECT_EQ(mill.program().getProgramStatus(), "idle");
    mill.program().setOverrideFeed(120);
    EXPECT_EQ(mill.program().getOverrideInfoFeed(), 120);
    EXPECT_EQ(mill.program().getDncMode(), "mode_remote");
    EXPECT_GE(mill.program().getNcUpTime(), 0);
    EXPECT_GE(mill.program().getSpindleRunningTime(0), 0);

    // The component's tool change is the client's event on a DataAccess
    // control; a table-interface control reports it by its table monitor.
    auto& lathe = session("lathe");
    lathe.programEvents().onToolChanged([&](std::int32_t, Tool out, Tool in, double) { tools.push({out, in}); });
    lathe.connection().connect("g.test", "tnc640");
    ASSERT_TRUE(component().raiseToolChange("g.test", 1, 5, 45000.5));
    const auto change = tools.waitPop(5s);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->first, (Tool{"1", "-1", "0"}));
    EXPECT_EQ(change->second, (Tool{"5", "-1", "0"}));
}

TEST_F(ComSessionTest, DataValuesInUtf8AndDataEvents) {
    auto& mill = session();
    mill.connection().connect("c.test", "tnc640");
    EXPECT_EQ(mill.data().getPlcData("W", "3"), "30");
    mill.data().setValue("\\PLC\\memory\\D\\1", "Grüße Ø8");
    EXPECT_EQ(component().read("c.test", "\\PLC\\memory\\D\\1"), "Grüße Ø8");
    EXPECT_EQ(mill.data().getValue("\\PLC\\memory\\D\\1"), "Grüße Ø8");

    testsupport::EventQueue<json> values;
    mill.data().onDataChanged("\\PLC\\memory\\M\\100", [&](json value) { values.push(value); });
    ASSERT_TRUE(component().write("c.test", "\\PLC\\memory\\M\\100", "1"));
    EXPECT_EQ(values.waitPop(5s), (json{{"100", true}}));
}

TEST_F(ComSessionTest, FilesTravelAsBase64BothWays) {
    auto& mill = session();
    mill.connection().connect("d.test", "tnc640");
    const std::string program = "0 BEGIN PGM ü MM\r\n1 END PGM ü MM\r\n";
    mill.files().transmitFile(heidenhain::base64Encode(program), "TNC:\\nc_prog\\umlaut.h");
    EXPECT_EQ(heidenhain::base64Decode(mill.files().receiveFile("TNC:\\nc_prog\\umlaut.h")), program);
    EXPECT_THAT(mill.files().readDirectory("TNC:\\nc_prog")["entries"], testing::Contains("umlaut.h"));
    mill.files().deleteFile("TNC:\\nc_prog\\umlaut.h");
    EXPECT_THAT(mill.files().readDirectory("TNC:\\nc_prog")["entries"], testing::Not(testing::Contains("umlaut.h")));
}

TEST_F(ComSessionTest, CopyFileOrAClearTextWhereTheComponentLacksIt) {
    auto& mill = session();
    mill.connection().connect("d.test", "tnc640");
    const auto copy = [&] { mill.files().copyFile("TNC:\\nc_prog\\demo.h", "TNC:\\nc_prog\\copy.h"); };
    if (!SimulatedComponent::kHasCopyFile) {
        EXPECT_THAT(copy, ThrowsMessage<std::runtime_error>(HasSubstr(
                              "): The Heidenhain DNC component's interface IJHFileSystem has no member CopyFile (")));
        return;
    }
    copy();
    EXPECT_THAT(mill.files().readDirectory("TNC:\\nc_prog")["entries"], testing::Contains("copy.h"));
}

TEST_F(ComSessionTest, ToolAndPocketRowsOnBothFamilies) {
    for (const std::string type : {"itnc530", "tnc640"}) {
        auto& mill = session(type);
        mill.connection().connect(type + ".test", type);
        if (type == "tnc640") mill.data().setAccessMode("sys", "sim");  // lists the pocket columns
        mill.tables().setToolTableRow("2", {{"NAME", "ÜBER_Ø8"}, {"L", "71.5"}});
        const TableRow row = mill.tables().getToolTableRow("2");
        EXPECT_EQ(row.at("NAME"), "ÜBER_Ø8") << type;
        EXPECT_EQ(row.at("L"), "71.5") << type << ": the columns after a name with umlauts stay in place";
        EXPECT_FALSE(mill.tables().getPocketTable().empty()) << type;
    }
}

TEST_F(ComSessionTest, TableMonitorSeesARowTheControlChanged) {
    heidenhain::setTableMonitorAutostart(true);
    auto& mill = session();
    testsupport::EventQueue<std::pair<std::string, TableRow>> changes;
    mill.monitor().onToolTableChanged([&](std::string toolId, TableRow now, TableRow) { changes.push({toolId, now}); });
    mill.monitor().setTableMonitorInterval(1);
    mill.connection().connect("e.test", "itnc530");
    mill.monitor().oneMonitorToolTableCall();  // the first cycle (this or the monitor's) only remembers
    ASSERT_TRUE(component().write("e.test", "\\TABLE\\TOOL\\T\\3\\NAME", "MILL_Ø6"));
    mill.monitor().oneMonitorToolTableCall();
    const auto change = changes.waitTake([](const auto& c) { return c.first == "3"; }, 10s);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->second.at("NAME"), "MILL_Ø6");
}

TEST_F(ComSessionTest, ErrorEventsAreLogged) {
    auto& mill = session();
    mill.connection().connect("f.test", "tnc640");
    ASSERT_TRUE(component().raiseError("f.test", "Emergency stop", false));
    ASSERT_TRUE(component().raiseError("f.test", "Emergency stop", true));
    ASSERT_TRUE(component().drainEvents());
    EXPECT_TRUE(testsupport::waitFor([&] { return logged("heidenhain::OnErrorCleared2\tmill"); }, 5s));
    EXPECT_TRUE(logged("Emergency stop"));
}

// The sink object itself: methods without a handler, and events after detach.
TEST(EventSinkTest, UnhandledMethodsAnswerNotImplementedAndDetachedSinksDropEvents) {
    EventBinding events;
    events.methods = {{1, "Handled"}, {2, "Other"}};
    int calls = 0;
    auto sink = EventSink::create(events, {{"Handled", [&](const EventArgs& args) { return calls += args.i4(0), S_OK; }}});
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = 3;
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(sink->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr), E_NOTIMPL);
    sink->detach();
    EXPECT_EQ(sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(calls, 3) << "nothing reached the handler after detach";
}

// A handler that throws fails its event, and the first failure of each
// event is logged with the event and the sink.
TEST(EventSinkTest, AThrowingHandlerIsLoggedOncePerEvent) {
    testsupport::CapturingEventSink log;
    EventBinding events;
    events.name = "_MachineEvents";
    events.methods = {{1, "Lost"}, {2, "Odd"}};
    const auto lost = [](const EventArgs&) -> HRESULT { throw std::runtime_error("gone"); };
    auto sink = EventSink::create(events, {{"Lost", lost}, {"Odd", [](const EventArgs&) -> HRESULT { throw 7; }}});
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    for (DISPID id : {1, 1, 2, 2})
        EXPECT_EQ(sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_FAIL) << id;
    const std::string head = "dnccom::EventSink::event\tThe handler of ";
    const std::string tail = " (further failures of this event in this sink are not logged)\n";
    EXPECT_EQ(log.textsOf(platform::kAgentEventSource),
              (std::vector<std::string>{head + "Lost of the _MachineEvents sink failed: gone" + tail,
                                        head + "Odd of the _MachineEvents sink failed: an exception of an unknown "
                                               "type" + tail}));
    sink->detach();
}

}  // namespace
}  // namespace dnccom
