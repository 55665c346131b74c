#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

#include "agent/local_factory.h"
#include "dnc/factory.h"
#include "heidenhain/sdk/sdk_version.h"
#include "host/log_event.h"
#include "host/service_run.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/loopback_port.h"
#include "tests/unit/host/host_journal.h"

using namespace std::chrono_literals;

namespace heidenhain {
namespace {

// An agent whose broker does not listen: it stays in its first connect.
std::shared_ptr<nolt::NoltAgent> unreachableAgent(testsupport::ReservedLoopbackPort& port) {
    nolt::AgentOptions options;
    options.domain = "d";
    options.agent = "a";
    options.broker = "tcp://127.0.0.1:" + std::to_string(port.port());
    return std::make_shared<nolt::NoltAgent>(options);
}

// A session that says when it ends.
struct LoggingSession {
    ~LoggingSession() { logEvent("Session ended"); }
};

TEST(RunStep, ReportsVersionsEndsTheSessionsAndStopsWhileTheFirstConnectIsAwaited) {
    hosttest::HostJournal journal(false);
    testsupport::ReservedLoopbackPort port;
    HeidenhainService service;
    service.agent = unreachableAgent(port);
    auto& registry = nolt::LocalFactory::instance();
    registry.registerClass<LoggingSession>("LoggingSession");
    nlohmann::json create = {{"sender", "c/1/r"}, {"id", 1}, {"context", "LoggingSession"},
                             {"method", "__create__"}, {"data", nlohmann::json::object()}};
    registry.call(create);
    ASSERT_TRUE(create["data"].contains("r")) << create.dump();
    std::promise<void> stop;
    auto stopped = stop.get_future().share();
    auto result = std::async(std::launch::async, [&] {
        return runStep(service, {[] { return std::string("9.9.9"); }, [stopped] { stopped.wait(); }});
    });
    testing::internal::CaptureStdout();
    stop.set_value();
    ASSERT_EQ(result.wait_for(20s), std::future_status::ready) << "a stop must end the wait for the broker";
    EXPECT_EQ(result.get(), 0);
    testing::internal::GetCapturedStdout();
    // Ended before the stop is reported, after which the process may end.
    EXPECT_EQ(journal.serviceEvents(), (std::vector<std::string>{"Started heidenhain agent (Agent v4.0.3, SDK v9.9.9)",
                                                                 "Session ended", "Stopped heidenhain agent"}));
}

TEST(RunStep, WithoutSdkTheStartNamesIt) {
    hosttest::HostJournal journal(false);
    testsupport::ReservedLoopbackPort port;
    HeidenhainService service;
    service.agent = unreachableAgent(port);
    dnc::setMachineFactory(nullptr);  // as on a computer without the SDK
    testing::internal::CaptureStdout();
    EXPECT_EQ(runStep(service, {sdkVersion, [] {}}), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(journal.serviceEvents(),
              (std::vector<std::string>{"Encountered exception on starting Heidenhain agent: Heidenhain machine "
                                        "representation could not be instantiated. Is the Heidenhain SDK installed?"}));
}

TEST(RunStep, MissingSdkFailsTheStart) {
    hosttest::HostJournal journal(false);
    testsupport::ReservedLoopbackPort port;
    HeidenhainService service;
    service.agent = unreachableAgent(port);
    bool waited = false;
    testing::internal::CaptureStdout();
    const int code = runStep(service, {[]() -> std::string { throw std::runtime_error("no SDK here"); },
                                       [&] { waited = true; }});
    auto output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(waited);
    EXPECT_NE(output.find("no SDK here\n"), std::string::npos);
    EXPECT_EQ(journal.serviceEvents(),
              (std::vector<std::string>{"Encountered exception on starting Heidenhain agent: no SDK here"}));
}

}  // namespace
}  // namespace heidenhain
