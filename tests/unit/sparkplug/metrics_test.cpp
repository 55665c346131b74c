#include <gtest/gtest.h>

#include "agent/sparkplug/metrics.h"
#include "agent/sparkplug/payload.h"

namespace nolt::sparkplug {
namespace {

TEST(SparkplugMetrics, IdsAndTimestampsAsHostsReadThem) {
    EXPECT_EQ(cleanId("mill1"), "mill1");
    EXPECT_EQ(cleanId("cell/2+#x"), "cell_2__x");
    const struct {
        const char* text;
        std::uint64_t millis;
    } stamps[] = {
        {"1970-01-01T00:00:00.000Z", 0},
        {"2026-12-07T15:31:36.123Z", 1796657496123},
        {"2024-02-29T23:59:59.999Z", 1709251199999},
        {"2026-02-30T00:00:00.000Z", 0},  // no such day
        {"", 0},
        {"yesterday", 0},
    };
    for (const auto& stamp : stamps) EXPECT_EQ(epochMillis(stamp.text), stamp.millis) << stamp.text;
}

TEST(SparkplugMetrics, SummaryBecomesMetricsAndOnlyChangesTravelBack) {
    if (!nolt::sparkplug::payloadsAvailable()) GTEST_SKIP() << "this build has no Protobuf";
    const auto before = deviceMetrics({{"connected", false}, {"state", "disconnected"}, {"host", "m.local"}});
    const auto after = deviceMetrics(
        {{"connected", true}, {"state", "machine_is_available"}, {"host", "m.local"}, {"eventsDropped", 3}});
    const auto changed = changedMetrics(before, after);
    std::vector<std::string> names;
    for (const auto& metric : changed) names.push_back(metric.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Connected", "State", "Events Dropped"}));

    // Every value kind survives our own encoding (hosts decode it in the integration test).
    const Metrics metrics{{"flag", DataType::Boolean, true},
                          {"count", DataType::Int32, std::uint64_t{7}},
                          {"big", DataType::UInt64, std::uint64_t{1} << 40},
                          {"text", DataType::String, std::string("x")}};
    EXPECT_EQ(decodePayload(encodePayload(metrics, 5)), metrics);
    EXPECT_EQ(decodePayload("\xff\xff not protobuf"), std::nullopt);
}

}  // namespace
}  // namespace nolt::sparkplug
