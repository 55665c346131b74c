// The Windows seams against the real system calls (under Wine here).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <system_error>

#include "platform/command_runner.h"
#include "platform/directory.h"
#include "platform/eventlog.h"
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

TEST(WindowsPlatform, TempFilesAreUniqueInTheirDirectoryAndRemoved) {
    testsupport::TempDir dir;
    const std::string tmp = dir.path().string();
    EXPECT_EQ(TempFile::pattern("tmp", "transmit-", ".tmp"), "tmp\\transmit-XXXXXX.tmp");
    std::set<std::string> names;
    {
        TempFile first(tmp, "transmit-", ".tmp");
        TempFile second(tmp, "transmit-", ".tmp");
        for (const auto* file : {&first, &second}) {
            EXPECT_EQ(file->path().rfind(tmp + "\\transmit-", 0), 0u) << file->path();
            EXPECT_EQ(file->path().substr(file->path().size() - 4), ".tmp");
            EXPECT_TRUE(std::filesystem::exists(file->path()));
            names.insert(file->path());
        }
    }
    EXPECT_EQ(names.size(), 2u);
    for (const auto& name : names) EXPECT_FALSE(std::filesystem::exists(name)) << name;
    EXPECT_THROW(TempFile((dir.path() / "missing").string(), "receive-", ".tmp"), std::system_error);
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

// Wine's event log keeps nothing that can be read back; this only shows that
// both sources and every type are accepted without failing.
TEST(WindowsPlatform, EventLogTakesBothSourcesAndEveryType) {
    for (const char* source : {kServiceEventSource, kAgentEventSource}) {
        for (int type : {EventError, EventWarning, EventInformation}) {
            systemEventSink()->write(source, type, "Ø test event");
            systemEventSink()->write(source, type, "");
        }
    }
}

}  // namespace
}  // namespace platform
