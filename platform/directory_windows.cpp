#include <windows.h>

#include "platform/directory.h"
#include "platform/wide_text.h"

namespace platform {

MakeDirectoryResult makeDirectory(const std::string& path) {
    if (CreateDirectoryW(toWide(path).c_str(), nullptr)) return {MakeDirectoryResult::Created, 0};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return {MakeDirectoryResult::AlreadyExists, static_cast<int>(error)};
    return {MakeDirectoryResult::Failed, static_cast<int>(error)};
}

}  // namespace platform
