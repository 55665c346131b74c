#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using namespace testsupport;

TEST(WaitFor, ReturnsAsSoonAsThePredicateHolds) {
    std::atomic<bool> flag{false};
    std::thread setter([&] { flag = true; });
    EXPECT_TRUE(waitFor([&] { return flag.load(); }, 5s));
    setter.join();
}

TEST(WaitFor, GivesUpAfterTheBound) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(waitFor([] { return false; }, 20ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST(EventQueue, HandsOverItemsFromAnotherThreadInOrder) {
    EventQueue<int> queue;
    std::thread producer([&] {
        for (int i = 1; i <= 3; ++i) queue.push(i);
    });
    EXPECT_EQ(1, queue.waitPop(5s));
    EXPECT_EQ(2, queue.waitPop(5s));
    EXPECT_EQ(3, queue.waitPop(5s));
    producer.join();
    EXPECT_FALSE(queue.tryPop());
}

TEST(EventQueue, TakesTheFirstMatchAndLeavesTheRest) {
    EventQueue<std::string> queue;
    queue.push("a1");
    queue.push("b1");
    queue.push("b2");
    EXPECT_EQ("b1", queue.waitTake([](const std::string& s) { return s[0] == 'b'; }, 0ms));
    EXPECT_EQ("b2", queue.waitFind([](const std::string& s) { return s[0] == 'b'; }, 0ms));
    EXPECT_EQ((std::vector<std::string>{"a1", "b2"}), queue.snapshot());
    EXPECT_FALSE(queue.waitTake([](const std::string& s) { return s[0] == 'c'; }, 10ms));
}
