#include "tests/support/wine.h"

#include "tests/support/agent_process.h"
#include "tests/support/child_process.h"

namespace testsupport {

WindowsAgent windowsAgent() {
    const auto words = agentCommand();
    return {words.front(), words.size() > 1 ? words[1] : ""};
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
