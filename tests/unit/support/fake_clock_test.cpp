#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include "platform/steady_clock.h"

using namespace testsupport;

TEST(FakeClock, MovesOnlyWhenAdvanced) {
    FakeClock clock;
    const auto start = platform::steadyNowNs();
    EXPECT_EQ(start, platform::steadyNowNs());
    clock.advance(std::chrono::milliseconds(4001));
    EXPECT_EQ(start + 4'001'000'000, platform::steadyNowNs());
    clock.advanceNs(5);
    EXPECT_EQ(start + 4'001'000'005, clock.nowNs());
}

TEST(FakeClock, PutsBackTheRealClock) {
    {
        FakeClock clock(std::chrono::nanoseconds(7));
        EXPECT_EQ(7, platform::steadyNowNs());
    }
    const auto real = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    EXPECT_GE(platform::steadyNowNs(), real);
}
