#include "dnccom/component_bitness.h"

#include <windows.h>
#include <oaidl.h>

#include "dnccom/com_ptr.h"
#include "dnccom/component.h"
#include "dnccom/component_names.h"
#include "dnccom/library_search.h"
#include "dnccom/text.h"

namespace dnccom {
namespace {

bool registeredIn(const GUID& coclass, REGSAM view) {
    wchar_t guid[64];
    if (!StringFromGUID2(coclass, guid, 64)) return false;
    const std::wstring path = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The machine class as the type library names it; none when it has none.
std::optional<GUID> machineClassOf(ITypeLib* library) {
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        BSTR name = nullptr;
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS ||
            FAILED(library->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr)))
            continue;
        const bool machine = fromBstr(name) == kMachineClass;
        SysFreeString(name);
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (!machine || FAILED(library->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr))) continue;
        const GUID coclass = attr->guid;
        info->ReleaseTypeAttr(attr);
        return coclass;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> otherBitnessOnly(const GUID& coclass) {
    const bool in64 = registeredIn(coclass, KEY_WOW64_64KEY);
    const bool in32 = registeredIn(coclass, KEY_WOW64_32KEY);
    if (sizeof(void*) == 8 ? in64 || !in32 : in32 || !in64) return std::nullopt;
    return std::string("the component is registered for ") + (in32 ? "32" : "64") +
           "-bit programs only, use the agent built for " + (in32 ? "x86" : "x64");
}

std::optional<std::string> componentInstallProblem() {
    const auto library = findRegisteredLibrary(Component::kLibraryName);
    if (!library)
        return std::string("the Heidenhain DNC component is not installed (its type library ") +
               Component::kLibraryName + " is not registered): install the vendor's DNC SDK first";
    const auto coclass = machineClassOf(library.get());
    return coclass ? otherBitnessOnly(*coclass) : std::nullopt;
}

}  // namespace dnccom
