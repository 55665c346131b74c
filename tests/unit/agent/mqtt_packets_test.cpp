// The remaining length that the link for large replies writes and reads,
// at each boundary of its encoding, and what a broker could send it wrongly.
#include <gtest/gtest.h>

#include "agent/mqtt_packets.h"

using nolt::mqttwire::readRemainingLength;
using nolt::mqttwire::remainingLength;

TEST(MqttPackets, RemainingLengthAtEachBoundaryAndMalformed) {
    const struct {
        std::size_t length;
        std::size_t bytes;
    } cases[] = {{0, 1}, {127, 1}, {128, 2}, {16383, 2}, {16384, 3}, {2097151, 3}, {2097152, 4}, {268435455, 4}};
    for (const auto& c : cases) {
        const std::string encoded = remainingLength(c.length);
        EXPECT_EQ(encoded.size(), c.bytes) << c.length;
        const auto read = readRemainingLength(encoded);
        EXPECT_EQ(read.length, c.length);
        EXPECT_FALSE(read.malformed);
        // One byte short: more is needed, nothing is wrong yet.
        if (c.bytes > 1) {
            EXPECT_FALSE(readRemainingLength(encoded.substr(0, c.bytes - 1)).length) << c.length;
        }
    }
    const std::string fiveBytes = "\xff\xff\xff\xff\x01";
    EXPECT_TRUE(readRemainingLength(fiveBytes).malformed);
    EXPECT_TRUE(readRemainingLength(fiveBytes.substr(0, 4)).malformed);
}

TEST(MqttPackets, PublishHeadCountsThePayloadThatFollowsIt) {
    const std::string head = nolt::mqttwire::publishHead("a/b", 0x0102, 300, false);
    // QoS 1, then 2 + 3 topic bytes + 2 id bytes + 300 payload bytes.
    EXPECT_EQ(static_cast<unsigned char>(head[0]), 0x32);
    EXPECT_EQ(readRemainingLength(head.substr(1, 2)).length, 307u);
    EXPECT_EQ(head.substr(3), std::string("\x00\x03" "a/b\x01\x02", 7));
}
