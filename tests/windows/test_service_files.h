#pragma once
// Where the test service and its journal live: beside the running executable.
#include <windows.h>

#include <string>

namespace windowstest {

inline std::string besideThisExecutable(const std::string& name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\') + 1) + name;
}

inline std::string testServiceExecutable() { return besideThisExecutable("nolt_test_service.exe"); }
inline std::string testServiceJournal() { return besideThisExecutable("nolt_test_service.journal"); }

}  // namespace windowstest
