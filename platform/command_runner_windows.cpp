#include <windows.h>

#include <vector>

#include "platform/command_runner.h"
#include "platform/wide_text.h"

namespace platform {

// Runs the command line as it is, without a command interpreter between (no
// cmd.exe rules for quotes or for & and |), and waits for it. Returns the
// program's exit code, or -1 when it could not be started.
int systemCommandRunner(const std::string& command) {
    std::wstring line = toWide(command);
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

}  // namespace platform
