#include <windows.h>

#include <vector>

#include "host/installer.h"
#include "platform/wide_text.h"

namespace heidenhain {

std::string serviceControlTool() {
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    std::vector<wchar_t> folder(size + 1, L'\0');
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    // Without a system folder the bare name is what is left to try.
    if (length == 0 || length >= folder.size()) return "sc.exe";
    return "\"" + platform::toUtf8(std::wstring(folder.data(), length)) + "\\sc.exe\"";
}

}  // namespace heidenhain
