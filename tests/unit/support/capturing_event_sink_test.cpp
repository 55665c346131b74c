#include "tests/support/capturing_event_sink.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;

TEST(CapturingEventSink, RecordsBothWritersWithSourceAndType) {
    CapturingEventSink sink;
    platform::writeEvent(platform::kServiceEventSource, platform::EventInformation, "service text");
    reportAgentEvent("agent text", platform::EventWarning);

    EXPECT_EQ((std::vector<CapturedEvent>{
                  {platform::kServiceEventSource, platform::EventInformation, "service text"},
                  {platform::kAgentEventSource, platform::EventWarning, "agent text"}}),
              sink.entries());
    EXPECT_EQ(std::vector<std::string>{"agent text"}, sink.textsOf(platform::kAgentEventSource));
    EXPECT_TRUE(sink.containsText("agent text"));
    EXPECT_FALSE(sink.containsText("agent"));
    EXPECT_TRUE(sink.containsTextPart("agent"));
}

TEST(CapturingEventSink, PutsBackThePreviousSink) {
    CapturingEventSink outer;
    {
        CapturingEventSink inner;
        reportAgentEvent("inner", platform::EventError);
        EXPECT_TRUE(inner.containsText("inner"));
    }
    reportAgentEvent("outer", platform::EventError);
    EXPECT_EQ(std::vector<std::string>{"outer"}, outer.textsOf(platform::kAgentEventSource));
}

TEST(CapturingEventSink, WaitsForAnEntryWrittenOnAnotherThread) {
    CapturingEventSink sink;
    std::thread writer([] { reportAgentEvent("from a thread", platform::EventError); });
    auto entry = sink.waitForText("from a thread", 5s);
    writer.join();
    ASSERT_TRUE(entry);
    EXPECT_EQ(platform::EventError, entry->type);
    EXPECT_FALSE(sink.waitForText("never written", 10ms));
}
