#include "platform/command_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(CommandRunner, ReplacedRunnerSeesTheExactCommandAndAnswers) {
    std::vector<std::string> seen;
    setCommandRunner([&](const std::string& command) {
        seen.push_back(command);
        return 42;
    });
    EXPECT_EQ(runCommand("sc.exe start \"Orvane Heidenhain Agent\""), 42);
    setCommandRunner({});
    EXPECT_THAT(seen, ::testing::ElementsAre("sc.exe start \"Orvane Heidenhain Agent\""));
}

}  // namespace
}  // namespace platform
