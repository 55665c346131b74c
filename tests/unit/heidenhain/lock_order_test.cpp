#include "heidenhain/sdk/lock_order.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "heidenhain/sdk/timed_mutex.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;

TEST(LockOrderTest, ALockIsTakenOnlyAboveEveryRankTheThreadHolds) {
    if (!kLockOrderChecked) GTEST_SKIP() << "checked in debug builds and in the test suite only";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        LockRank held;
        LockRank taken;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {LockRank::lifecycle, LockRank::connect, true},
        {LockRank::allocation, LockRank::tableCache, true},
        {LockRank::tableCache, LockRank::sdk, true},
        {LockRank::sdk, LockRank::tableCache, false},
        {LockRank::connect, LockRank::lifecycle, false},
        {LockRank::snapshot, LockRank::sdk, false},
        // The tool and the pocket snapshot together; two sessions' SDK locks, or one twice.
        {LockRank::snapshot, LockRank::snapshot, false},
        {LockRank::sdk, LockRank::sdk, false},
    };
    for (const auto& c : cases) {
        TimedMutex held(c.held);
        TimedMutex taken(c.taken);
        const auto takeBoth = [&] {
            std::lock_guard<TimedMutex> first(held);
            if (taken.try_lock_for(1ms)) taken.unlock();
        };
        if (c.allowed) {
            takeBoth();
            takeBoth();  // the first pair was let go: it no longer counts
        } else {
            EXPECT_DEATH(takeBoth(), "Lock order violated: taking the " + std::string(rankName(c.taken)) +
                                         " lock while holding the " + std::string(rankName(c.held)) + " lock");
        }
    }
}

}  // namespace
}  // namespace heidenhain
