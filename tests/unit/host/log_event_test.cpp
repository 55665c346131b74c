#include "host/log_event.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host_journal.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

TEST(LogEvent, WritesOneInformationEventUnderTheServiceSource) {
    hosttest::HostJournal journal;
    logEvent("Started heidenhain agent (Agent v%s, SDK v%s)", "4.0.3", "1.7");
    EXPECT_THAT(journal.entries(),
                ElementsAre("heidenhain/4: Started heidenhain agent (Agent v4.0.3, SDK v1.7)"));
}

TEST(LogEvent, PrintsOnlyWhenNotRunningAsAService) {
    {
        hosttest::HostJournal journal(/*serviceMode=*/true);
        CaptureStdout();
        logEvent("quiet %d", 1);
        EXPECT_EQ(GetCapturedStdout(), "");
    }
    {
        hosttest::HostJournal journal(/*serviceMode=*/false);
        CaptureStdout();
        logEvent("loud %d", 2);
        EXPECT_EQ(GetCapturedStdout(), "loud 2\n");
        EXPECT_THAT(journal.serviceEvents(), ElementsAre("loud 2"));
    }
}

TEST(LogEvent, CutsAfter255Characters) {
    hosttest::HostJournal journal;
    const std::string exact(255, 'x');
    logEvent("%s", exact.c_str());
    logEvent("%s", (exact + "yz").c_str());
    logEvent("%s%s", std::string(200, 'a').c_str(), std::string(200, 'b').c_str());
    const auto events = journal.serviceEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], exact);
    EXPECT_EQ(events[1], exact);
    EXPECT_EQ(events[2], std::string(200, 'a') + std::string(55, 'b'));
}

TEST(LogEvent, CountsCharactersNotBytes) {
    hosttest::HostJournal journal;
    const std::string umlaut = "\xC3\xBC";  // one character, two bytes
    logEvent("%s", (std::string(254, 'x') + umlaut + "y").c_str());
    logEvent("%s", (std::string(255, 'x') + umlaut).c_str());
    EXPECT_THAT(journal.serviceEvents(),
                ElementsAre(std::string(254, 'x') + umlaut, std::string(255, 'x')));
}

}  // namespace
}  // namespace heidenhain
