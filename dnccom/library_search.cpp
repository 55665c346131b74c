#include "dnccom/library_search.h"

#include <windows.h>

#include <cwctype>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dnccom/com_ptr.h"
#include "dnccom/text.h"

namespace dnccom {
namespace {

struct LibraryVersion {
    GUID guid{};
    WORD major = 0;
    WORD minor = 0;
};

std::wstring keyName(HKEY key, DWORD index) {
    wchar_t name[256];
    DWORD size = 256;
    return RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? std::wstring(name, size)
               : std::wstring();
}

std::string libraryName(ITypeLib* library) {
    BSTR name = nullptr;
    if (FAILED(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr))) return {};
    std::string text = fromBstr(name);
    SysFreeString(name);
    return text;
}

std::wstring defaultValue(HKEY key) {
    wchar_t text[512];
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
}

// Whether the library's description suggests the component: such libraries
// are loaded first, since loading every registered library takes seconds.
bool likely(std::wstring description) {
    for (auto& c : description) c = towupper(c);
    return description.find(L"DNC") != std::wstring::npos || description.find(L"HEIDENHAIN") != std::wstring::npos;
}

std::vector<std::pair<LibraryVersion, bool>> registeredLibraries() {
    std::vector<std::pair<LibraryVersion, bool>> found;
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"TypeLib", 0, KEY_READ, &root) != ERROR_SUCCESS) return found;
    for (DWORD i = 0;; ++i) {
        const std::wstring guidText = keyName(root, i);
        if (guidText.empty()) break;
        GUID guid;
        HKEY versions = nullptr;
        if (FAILED(CLSIDFromString(guidText.c_str(), &guid)) ||
            RegOpenKeyExW(root, guidText.c_str(), 0, KEY_READ, &versions) != ERROR_SUCCESS)
            continue;
        for (DWORD j = 0;; ++j) {
            const std::wstring versionText = keyName(versions, j);
            if (versionText.empty()) break;
            wchar_t* dot = nullptr;
            const auto major = static_cast<WORD>(wcstoul(versionText.c_str(), &dot, 16));
            const auto minor = static_cast<WORD>(dot && *dot == L'.' ? wcstoul(dot + 1, nullptr, 16) : 0);
            HKEY version = nullptr;
            bool hinted = false;
            if (RegOpenKeyExW(versions, versionText.c_str(), 0, KEY_READ, &version) == ERROR_SUCCESS) {
                hinted = likely(defaultValue(version));
                RegCloseKey(version);
            }
            found.push_back({{guid, major, minor}, hinted});
        }
        RegCloseKey(versions);
    }
    RegCloseKey(root);
    return found;
}

}  // namespace

// The registered library of that name in its highest version: HKCR\TypeLib
// lists every library by GUID and version; the name is the library's own.
ComPtr<ITypeLib> findRegisteredLibrary(const std::string& wanted) {
    const auto candidates = registeredLibraries();
    for (const bool hintedOnly : {true, false}) {
        ComPtr<ITypeLib> best;
        LibraryVersion bestVersion;
        for (const auto& [version, hinted] : candidates) {
            if (hintedOnly && !hinted) continue;
            ComPtr<ITypeLib> library;
            if (FAILED(LoadRegTypeLib(version.guid, version.major, version.minor, 0, library.put()))) continue;
            if (libraryName(library.get()) != wanted) continue;
            if (!best || version.major > bestVersion.major ||
                (version.major == bestVersion.major && version.minor > bestVersion.minor)) {
                best = library;
                bestVersion = version;
            }
        }
        if (best) return best;
    }
    return {};
}

}  // namespace dnccom
