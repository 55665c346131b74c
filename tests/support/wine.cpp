#include "tests/support/wine.h"

#include <cstdlib>
#include <sstream>

#include "tests/support/child_process.h"

namespace testsupport {

WindowsAgent windowsAgent() {
    const char* command = std::getenv("NOLT_TEST_AGENT_COMMAND");
    std::istringstream words(command ? command : "");
    WindowsAgent agent;
    words >> agent.wine >> agent.program;
    return agent;
}

WineRun runUnderWine(const std::vector<std::string>& arguments, const TempDir& directory,
                     std::chrono::seconds bound) {
    const auto output = directory.file("wine-out.txt");
    std::filesystem::remove(output);
    int exitCode = -1;
    {
        ChildProcess process(windowsAgent().wine, arguments, output, directory.file("wine-err.txt"),
                             directory.path());
        exitCode = process.waitForExit(bound).value_or(-1);
    }
    return {exitCode, readFile(output)};
}

std::string windowsPath(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

bool isAgentStatus(const ReceivedMessage& message, const std::string& status) {
    return message.topic.ends_with("/__agentInfo__") && message.isJson() &&
           message.json.value("status", "") == status;
}

}  // namespace testsupport
