#pragma once
// Where the test service and its journal live: beside the running executable.
// Paths are UTF-8 and opened through their UTF-16 form, so that a folder name
// outside the ANSI code page works.
#include <filesystem>
#include <string>

#include "platform/module_path.h"
#include "platform/wide_text.h"

namespace windowstest {

inline std::filesystem::path widePath(const std::string& utf8) { return platform::toWide(utf8); }

inline std::string besideThisExecutable(const std::string& name) {
    return platform::parentFolder(platform::modulePath()) + "\\" + name;
}

inline std::string testServiceExecutable() { return besideThisExecutable("nolt_test_service.exe"); }
inline std::string testServiceJournal() { return besideThisExecutable("nolt_test_service.journal"); }

}  // namespace windowstest
