#include "dnccom/text.h"

#include <windows.h>

namespace dnccom {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string narrow(const wchar_t* utf16, std::size_t length) {
    if (utf16 == nullptr || length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(length), text.data(), size, nullptr, nullptr);
    return text;
}

std::string narrow(const std::wstring& utf16) { return narrow(utf16.data(), utf16.size()); }

BSTR toBstr(const std::string& utf8) {
    const std::wstring wide = widen(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string fromBstr(BSTR text) { return text ? narrow(text, SysStringLen(text)) : std::string(); }

}  // namespace dnccom
