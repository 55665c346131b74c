#include <windows.h>

#include <vector>

#include "platform/module_path.h"
#include "platform/wide_text.h"

namespace platform {

// Read as UTF-16 and converted once: a folder name outside the ANSI code page
// survives, which the 8-bit form of the path would lose.
std::string modulePath() {
    // Long paths ("\\?\" prefixes, deep folders) exceed MAX_PATH; the call
    // then fills the buffer and says so, and a larger one is tried.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return toUtf8(std::wstring(buffer.data(), length));
    }
    return {};
}

}  // namespace platform
