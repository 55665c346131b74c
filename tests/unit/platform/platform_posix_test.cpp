// What the POSIX seams do where Windows has its own behaviour.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/command_runner.h"
#include "platform/temp_file.h"

namespace platform {
namespace {

TEST(CommandRunner, PosixRunnerDoesNotPretendToRunServiceCommands) {
    ::testing::internal::CaptureStderr();
    const int result = runCommand("sc.exe stop \"Orvane Heidenhain Agent\"");
    const std::string note = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(result, 0);
    EXPECT_THAT(note, ::testing::HasSubstr("sc.exe stop \"Orvane Heidenhain Agent\""));
    EXPECT_THAT(note, ::testing::HasSubstr("Windows only"));
}

TEST(TempFile, PatternNamesTheFilesWithSlashes) {
    EXPECT_EQ(TempFile::pattern("tmp", "receive-", ".tmp"), "tmp/receive-XXXXXX.tmp");
}

}  // namespace
}  // namespace platform
