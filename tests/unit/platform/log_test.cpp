#include "platform/log.h"

#include <gtest/gtest.h>

#include "tests/support/capturing_event_sink.h"

namespace {

using platform::Severity;

struct Routing {
    const char* name;
    platform::LogLine line;
    bool serviceMode;
    std::string standardOutput;
    std::string standardError;
    std::vector<testsupport::CapturedEvent> events;
};

// Every line keeps its console text and stream; only a service's warnings
// and errors also reach the event log, without a completed progress line's
// leading line end, and never twice.
TEST(Log, RoutesEachSeverityToItsStreamAndAServicesProblemsToTheEventLog) {
    const std::string agent = platform::kAgentEventSource;
    const Routing cases[] = {
        {"information", {Severity::Information, "[OK]"}, true, "[OK]\n", "", {}},
        {"progress", {Severity::Information, "Connecting... ", false}, false, "Connecting... ", "", {}},
        {"foreground error", {Severity::Error, "Error: refused"}, false, "", "Error: refused\n", {}},
        {"service error", {Severity::Error, "\nERROR: no broker"}, true, "", "\nERROR: no broker\n",
         {{agent, platform::EventError, "ERROR: no broker"}}},
        {"service warning", {Severity::Warning, "Dropped"}, true, "", "Dropped\n",
         {{agent, platform::EventWarning, "Dropped"}}},
        {"service notice", {Severity::Notice, "\nConnection lost"}, true, "\nConnection lost\n", "",
         {{agent, platform::EventWarning, "Connection lost"}}},
        {"logged by its caller", {Severity::Warning, "gaps", true, true}, true, "", "gaps\n", {}},
    };
    const bool serviceMode = platform::isServiceMode();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::CapturingEventSink events;
        platform::setServiceMode(c.serviceMode);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        platform::log(c.line);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(out, c.standardOutput);
        EXPECT_EQ(err, c.standardError);
        EXPECT_EQ(events.entries(), c.events);
    }
    platform::setServiceMode(serviceMode);
}

}  // namespace
