// The command-line client against the built agent, a private broker and the
// simulated controller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/integration/executable_fixture.h"
#include "tests/support/loopback_port.h"

using nlohmann::json;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

struct ClientRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Client : public ExecutableFixture {
protected:
    Client() : ExecutableFixture("client-test") {}

    std::vector<std::string> withBroker(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-b", broker.uri()});
        return arguments;
    }
    ClientRun run(const std::vector<std::string>& arguments) {
        testsupport::AgentProcess process(withBroker(arguments), NOLT_CLIENT_EXECUTABLE);
        ClientRun result;
        result.exitCode = process.waitForExit(30s).value_or(-1);
        result.out = process.standardOutput();
        result.err = process.standardError();
        return result;
    }
    json presenceOf(const std::string& instance, const std::string& state, const std::string& programStatus = "") {
        const std::string topic = "cnc/agent/DncShim/" + instance + "/__machineInfo__";
        auto message = client.waitFor(
            [&](const testsupport::ReceivedMessage& received) {
                return received.topic == topic && received.isJson() && received.json.value("state", "") == state &&
                       received.json.value("programStatus", "") == programStatus;
            },
            10s);
        return message ? message->json : json();
    }
    json simulate(const std::string& function, json data) {
        return call("DncSimulator/" + simulator + "/" + function, std::move(data));
    }
    void SetUp() override {
        ExecutableFixture::SetUp();
        if (HasFatalFailure()) return;
        client.subscribe("cnc/agent/DncShim/+/__machineInfo__");
        simulator = call("DncSimulator/__static__/__create__")["r"];
        call("DncShim/__static__/__createNamed__", {{"_1", "mill1"}, {"_2", "mill1"}});
    }

    std::string simulator;
};

TEST_F(Client, MachinesFollowConnectLostLinkDisconnectAndBrokerRestart) {
    struct Step {
        std::function<void()> action;
        std::string state;
        bool connected;
        std::string line;  // of the plain listing
        std::string programStatus = "";
    };
    const std::vector<Step> steps = {
        {[] {}, "disconnected", false, "mill1  -  -  disconnected  -  since "},
        {[&] { call("DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}}); },
         "machine_is_available", true, "mill1  mill1.local  tnc640  machine_is_available  -  since "},
        {[&] { call("DncShim/mill1/selectProgram", {{"_1", 0}, {"_2", "TNC:\\nc_prog\\demo.h"}, {"_3", "__null__"}}); },
         "machine_is_available", true, "mill1  mill1.local  tnc640  machine_is_available  selected  since ", "selected"},
        {[&] { simulate("raiseMachineEvent", {{"_1", "mill1.local"}, {"_2", 10}}); }, "connection_lost", false,
         "mill1  mill1.local  tnc640  connection_lost  selected  since ", "selected"},
        {[&] { call("DncShim/mill1/disconnect"); }, "disconnected", false,
         "mill1  mill1.local  tnc640  disconnected  -  since "},
        {[&] {
             broker.stop();
             broker.restart();
             ASSERT_TRUE(client.waitConnected(10s));
         },
         "disconnected", false, "mill1  mill1.local  tnc640  disconnected  -  since "},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.state);
        step.action();
        ASSERT_FALSE(presenceOf("mill1", step.state, step.programStatus).is_null());
        const ClientRun json = run({"--json", "machines", "cnc/agent"});
        ASSERT_EQ(json.exitCode, 0) << json.err;
        const auto machines = json::parse(json.out);
        ASSERT_EQ(machines.size(), 1u) << json.out;
        const auto& mill1 = machines[0];
        EXPECT_EQ(mill1["instance"], "mill1");
        EXPECT_EQ(mill1["session"], "mill1");
        EXPECT_EQ(mill1["named"], true);
        EXPECT_EQ(mill1["state"], step.state);
        EXPECT_EQ(mill1["connected"], step.connected);
        EXPECT_EQ(mill1.contains("ncVersion"), step.connected);
        EXPECT_EQ(mill1["sdkVersion"], "1.7.3.0");
        EXPECT_THAT(mill1["since"].get<std::string>(), ::testing::MatchesRegex("....-..-..T..:..:..\\....Z"));

        EXPECT_THAT(run({"machines", "cnc/agent"}).out, ::testing::StartsWith(step.line));
    }
    // Deleting the instance clears its retained presence.
    call("DncShim/__static__/__delete__", {{"_1", "mill1"}});
    ASSERT_TRUE(client.waitFor([](const testsupport::ReceivedMessage& message) {
        return message.topic == "cnc/agent/DncShim/mill1/__machineInfo__" && message.payload.empty();
    }));
    EXPECT_EQ(run({"machines", "cnc/agent"}).out, "");
}

TEST_F(Client, CallsListsAndWatchesTheReadmeSession) {
    const std::string agent = "cnc/agent";
    EXPECT_EQ(run({"call", agent, "DncShim", "mill1", "connect", "mill1.local", "tnc640"}).out, "null\n");
    EXPECT_EQ(run({"call", agent, "DncShim", "mill1", "getState"}).out, "\"machine_is_available\"\n");
    // A bare 2 fits the one overload, which takes a text.
    EXPECT_THAT(run({"call", agent, "DncShim", "mill1", "getToolTableRow", "2"}).out, HasSubstr("\"T\":\"2\""));
    const ClientRun reply = run({"--json", "call", agent, "DncShim", "mill1", "getAvailableInterfaces"});
    EXPECT_EQ(json::parse(reply.out)["data"]["r"]["automaticInterface"], true);
    EXPECT_THAT(run({"agents"}).out, HasSubstr("cnc/agent  online  "));
    EXPECT_THAT(run({"classes", agent}).out, HasSubstr("DncShim       83 functions  named instances: mill1"));
    const ClientRun functions = run({"functions", agent, "DncShim"});
    EXPECT_THAT(functions.out, HasSubstr("__static__ __createNamed__(string, string)\n"));
    EXPECT_THAT(functions.out, HasSubstr("\nsetTool(string, string, object)\n"));

    testsupport::AgentProcess watch(withBroker({"watch", agent, "mill1"}), NOLT_CLIENT_EXECUTABLE);
    ASSERT_TRUE(watch.waitForError("Watching mill1 (mill1.local, tnc640)", 20s)) << watch.standardError();
    simulate("raiseMachineEvent", {{"_1", "mill1.local"}, {"_2", 10}});
    EXPECT_TRUE(watch.waitForOutput(" mill1 onStateChanged \"connection_lost\"\n", 10s)) << watch.standardOutput();
    EXPECT_TRUE(watch.waitForOutput(" mill1 onConnectLost \"\"\n", 10s)) << watch.standardOutput();
    // Ctrl-C: the client goes offline and the agent deletes the session it watched through.
    watch.signal(SIGINT);
    EXPECT_EQ(watch.waitForExit(10s), 0);
    EXPECT_TRUE(client.waitFor([](const testsupport::ReceivedMessage& message) {
        return message.payload.empty() && message.topic != "cnc/agent/DncShim/mill1/__machineInfo__";
    }));
}

TEST_F(Client, BadInputGivesOneLineAndAFailureCode) {
    call("DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}});
    simulate("delay", {{"_1", "GetState"}, {"_2", 3000}, {"_3", 1}, {"_4", ""}});
    testsupport::ReservedLoopbackPort closed;
    const std::string nowhere = "tcp://127.0.0.1:" + std::to_string(closed.port());
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"machines", "cnc/nosuch"}, 1, "Unknown agent: cnc/nosuch (no agent info on the broker)"},
        {{"call", "cnc/agent", "DncShim", "mill1", "setValue", "{\"a\":", "1"}, 1,
         "Argument 1 is not valid JSON: {\"a\":"},
        {{"-b", nowhere, "agents"}, 1, "Cannot connect to the broker at " + nowhere + ": "},
        {{"call", "cnc/agent", "DncShim", "nosuch", "getState"}, 1, "Instance with id: nosuch does not exist"},
        {{"call", "cnc/agent", "NoClass", "x", "f"}, 1, "Unknown class: NoClass (no class info on cnc/agent/NoClass/__classInfo__)"},
        {{"call", "cnc/agent", "DncShim", "mill1", "nosuch"}, 1, "Unknown function: DncShim.nosuch"},
        {{"call", "cnc/agent", "DncShim", "mill1", "getSpindleRunningTime", "x"}, 1,
         "No getSpindleRunningTime takes (string); there is: getSpindleRunningTime(number)"},
        {{"frobnicate"}, 1, "Unknown command: frobnicate (see --help)"},
        {{"--bogus", "agents"}, 1, "Unknown option: --bogus (see --help)"},
        {{"--timeout", "soon", "agents"}, 1, "--timeout wants a number of seconds above 0, not \"soon\""},
        {{"call", "cnc/agent", "DncShim"}, 1, "Usage: call AGENT CLASS INSTANCE FUNCTION [ARG...]"},
        {{"--timeout", "0.5", "call", "cnc/agent", "DncShim", "mill1", "getState"}, 2,
         "No reply within 0.5 s to the request on cnc/agent/DncShim/mill1/getState"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const ClientRun result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_THAT(result.err, HasSubstr(c.error));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

}  // namespace
