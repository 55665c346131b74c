// The Windows seams against the real system calls (under Wine here).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/command_runner.h"
#include "platform/directory.h"
#include "platform/hostname.h"
#include "platform/temp_file.h"
#include "platform/wide_text.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

TEST(WindowsPlatform, WideTextRoundTripsEveryPlane) {
    for (const std::string text : {"", "T 12", "Ø20 Fräser", "€ 漢字", "\xF0\x9F\x94\xA7 tool"}) {
        EXPECT_EQ(toUtf8(toWide(text)), text);
    }
    EXPECT_EQ(toWide("\xC3\xBC"), std::wstring(L"\u00FC"));
    EXPECT_EQ(toWide("a\xFFz"), std::wstring(L"a\uFFFDz")) << "invalid UTF-8 is replaced, not dropped";
}

TEST(WindowsPlatform, DirectoriesTellCreatedExistingAndFailed) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "tmp").string();
    EXPECT_EQ(makeDirectory(path).status, MakeDirectoryResult::Created);
    EXPECT_EQ(makeDirectory(path).status, MakeDirectoryResult::AlreadyExists);
    const auto failed = makeDirectory((dir.path() / "missing" / "tmp").string());
    EXPECT_EQ(failed.status, MakeDirectoryResult::Failed);
    EXPECT_EQ(failed.systemError, ERROR_PATH_NOT_FOUND);
}

TEST(WindowsPlatform, TempFilesAreNamedWithBackslashesAndRemoved) {
    testsupport::TempDir dir;
    const std::string tmp = dir.path().string();
    EXPECT_EQ(TempFile::pattern("tmp", "transmit-", ".tmp"), "tmp\\transmit-XXXXXX.tmp");
    std::string name;
    {
        TempFile file(tmp, "transmit-", ".tmp");
        name = file.path();
        EXPECT_EQ(name.rfind(tmp + "\\transmit-", 0), 0u) << name;
        EXPECT_TRUE(std::filesystem::exists(name));
    }
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(WindowsPlatform, HostNameComesFromWinsockAndIsCutToTheBuffer) {
    const std::string name = localHostName(128);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(localHostName(3), name.substr(0, 2));
    EXPECT_EQ(localHostName(0), "");
}

TEST(WindowsPlatform, CommandRunnerRunsTheProgramAndReturnsItsExitCode) {
    EXPECT_EQ(systemCommandRunner("cmd.exe /c exit 7"), 7);
    EXPECT_EQ(systemCommandRunner("no-such-program-anywhere.exe"), -1);
}

}  // namespace
}  // namespace platform
