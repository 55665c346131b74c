#include "tests/support/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "tests/support/agent_process.h"

using namespace testsupport;
using namespace std::chrono_literals;

// The agent runner is exercised on the shell, which stands in for the agent
// executable here.
TEST(AgentProcess, CapturesOutputAndExitCode) {
    AgentProcess process({"-c", "echo out; echo err >&2; pwd; exit 3"}, "/bin/sh");
    EXPECT_EQ(3, process.waitForExit(5s));
    EXPECT_EQ("out\n" + process.workingDirectory().string() + "\n", process.standardOutput());
    EXPECT_EQ("err\n", process.standardError());
}

TEST(AgentProcess, EndsOnASignal) {
    AgentProcess process({"-c", "echo ready; exec sleep 60"}, "/bin/sh");
    ASSERT_TRUE(process.waitForOutput("ready", 5s));
    EXPECT_FALSE(process.waitForExit(0ms));
    EXPECT_TRUE(process.signal(SIGTERM));
    EXPECT_EQ(128 + SIGTERM, process.waitForExit(5s));
    EXPECT_FALSE(process.signal(SIGTERM));
}

TEST(AgentProcess, ReportsAnExitCodeAfterSigint) {
    AgentProcess process({"-c", "trap 'exit 7' INT; echo ready; while :; do sleep 0.01; done"}, "/bin/sh");
    ASSERT_TRUE(process.waitForOutput("ready", 5s));
    process.signal(SIGINT);
    EXPECT_EQ(7, process.waitForExit(5s));
}

TEST(ChildProcess, KillsARunningChildWhenDestroyed) {
    TempDir directory;
    pid_t pid = 0;
    {
        ChildProcess child("/bin/sleep", {"60"}, directory.file("out"), directory.file("err"));
        pid = child.pid();
        EXPECT_TRUE(child.running());
    }
    EXPECT_NE(0, ::kill(pid, 0));  // reaped, so not even a zombie is left
}

TEST(ChildProcess, InheritsNoDescriptorButTheStandardOnes) {
    TempDir directory;
    int opened = ::open("/dev/null", O_RDONLY);
    int extra = ::dup2(opened, 200);  // deliberately not close-on-exec
    ::close(opened);
    ASSERT_EQ(200, extra);
    ChildProcess child("/bin/sh", {"-c", "test ! -e /proc/$$/fd/200"}, directory.file("out"),
                       directory.file("err"));
    EXPECT_EQ(0, child.waitForExit(5s));
    ::close(extra);
}
