#include "heidenhain/timed_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace heidenhain {
namespace {

using namespace std::chrono_literals;

// Every session call passes this lock, so a lost wake-up here would hang a
// machine call for ever: several threads hand it to each other thousands of
// times, through both ways of waiting for it.
TEST(TimedMutexTest, ContendedHandOversNeitherHangNorOverlap) {
    TimedMutex mutex;
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    int inside = 0;
    int total = 0;
    std::atomic<int> overlaps{0};
    std::atomic<int> timedOut{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                if ((round + t) % 2 == 0) {
                    mutex.lock();
                } else if (!mutex.try_lock_for(60s)) {
                    ++timedOut;
                    continue;
                }
                if (++inside != 1) ++overlaps;
                ++total;
                --inside;
                mutex.unlock();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(timedOut, 0);
    EXPECT_EQ(total, kThreads * kRounds);
}

TEST(TimedMutexTest, TimedWaitGivesUpWhileHeldAndWakesOnRelease) {
    TimedMutex mutex;
    mutex.lock();
    EXPECT_FALSE(mutex.try_lock());
    EXPECT_FALSE(std::async(std::launch::async, [&] { return mutex.try_lock_for(20ms); }).get());
    // The same thread again: it waits out the time-out instead of deadlocking.
    EXPECT_FALSE(mutex.try_lock_for(1ms));
    std::promise<void> waiting;
    auto waiter = std::async(std::launch::async, [&] {
        waiting.set_value();
        return mutex.try_lock_for(60s);
    });
    waiting.get_future().wait();
    mutex.unlock();
    EXPECT_TRUE(waiter.get());
    EXPECT_FALSE(mutex.try_lock());
    mutex.unlock();
    EXPECT_TRUE(mutex.try_lock());
    mutex.unlock();
}

}  // namespace
}  // namespace heidenhain
