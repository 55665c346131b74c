#include <windows.h>

#include <cstdio>
#include <random>
#include <system_error>

#include "platform/temp_file.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

std::string randomPart() {
    static thread_local std::mt19937 generator{std::random_device{}()};
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(generator()));
    return text;
}

}  // namespace

std::string TempFile::pattern(const std::string& directory, const std::string& prefix, const std::string& suffix) {
    return directory + "\\" + prefix + "XXXXXX" + suffix;
}

// CREATE_NEW makes the file exclusively: a name taken by anyone else, in
// this process or another, fails and a fresh random name is tried.
TempFile::TempFile(const std::string& directory, const std::string& prefix, const std::string& suffix) {
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        const std::string candidate = directory + "\\" + prefix + randomPart() + suffix;
        HANDLE file = CreateFileW(toWide(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            path_ = candidate;
            return;
        }
        error = GetLastError();
    }
    throw std::system_error(static_cast<int>(error), std::system_category(),
                            "CreateFile " + pattern(directory, prefix, suffix));
}

TempFile::~TempFile() { DeleteFileW(toWide(path_).c_str()); }

}  // namespace platform
