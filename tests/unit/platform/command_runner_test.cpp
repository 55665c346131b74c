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

TEST(CommandRunner, PosixRunnerDoesNotPretendToRunServiceCommands) {
    ::testing::internal::CaptureStderr();
    const int result = runCommand("sc.exe stop \"Orvane Heidenhain Agent\"");
    const std::string note = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(result, 0);
    EXPECT_THAT(note, ::testing::HasSubstr("sc.exe stop \"Orvane Heidenhain Agent\""));
    EXPECT_THAT(note, ::testing::HasSubstr("Windows only"));
}

}  // namespace
}  // namespace platform
