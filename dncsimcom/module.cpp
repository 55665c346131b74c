// The DLL of the simulated component: class objects, registration in the
// registry (the classes and the type library from the DLL's resources), and
// unloading once no object is left.
#include <windows.h>
#include <olectl.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "dncsimcom/convert.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

HMODULE module = nullptr;
std::atomic<long> alive{0};
std::atomic<long> locks{0};
const CLSID& kFileAttributesClass = DNCSIM_CAT(CLSID_, DNCSIM_FILE_ATTRIBUTES_CLASS);

std::wstring modulePath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length);
}

dncsim::SimulatedSdk& simulatedSdk() {
    static dncsim::SimulatedSdk sdk;
    return sdk;
}

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const CLSID& clsid) : clsid_(clsid) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory) ? this : nullptr;
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    // Class objects live with the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        IUnknown* created = nullptr;
        if (IsEqualCLSID(clsid_, CLSID_JHMachineInProcess)) {
            std::shared_ptr<dnc::IJHMachine> machine;
            if (HRESULT hr = simulatedSdk().CreateMachine(&machine); FAILED(hr)) return hr;
            created = newMachine(machine);
        } else {
            std::shared_ptr<dnc::IJHFileAttributes> attributes;
            if (HRESULT hr = simulatedSdk().CreateFileAttributes(&attributes); FAILED(hr)) return hr;
            created = newFileAttributes(attributes);
        }
        const HRESULT hr = created->QueryInterface(iid, object);
        created->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        locks += lock ? 1 : -1;
        return S_OK;
    }

private:
    const CLSID clsid_;
};

std::wstring guidText(const GUID& guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

bool setValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

HRESULT registerClass(const CLSID& clsid, const wchar_t* name) {
    const std::wstring key = L"CLSID\\" + guidText(clsid);
    HKEY classKey = nullptr;
    HKEY serverKey = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    bool written = setValue(classKey, nullptr, name) &&
                   RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey,
                                   nullptr) == ERROR_SUCCESS;
    if (written)
        written = setValue(serverKey, nullptr, modulePath()) && setValue(serverKey, L"ThreadingModel", threadingModel());
    if (serverKey) RegCloseKey(serverKey);
    RegCloseKey(classKey);
    return written ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

long aliveObjects() { return alive.load(); }
void objectCreated() { ++alive; }
void objectDestroyed() { --alive; }

ITypeInfo* typeInfoOf(const IID& iid) {
    static std::mutex mutex;
    static ITypeLib* library = nullptr;
    static std::map<std::wstring, ITypeInfo*> infos;
    std::lock_guard<std::mutex> lock(mutex);
    if (library == nullptr && FAILED(LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &library))) return nullptr;
    auto& info = infos[guidText(iid)];
    if (info == nullptr && FAILED(library->GetTypeInfoOfGuid(iid, &info))) info = nullptr;
    return info;
}

HRESULT giveText(HRESULT hr, const std::string& text, BSTR* out) {
    if (SUCCEEDED(hr)) *out = bstrOf(text);
    return hr;
}

// An out slot is the callee's to fill, not to clear; a failed call leaves it
// as it came, as components may.
HRESULT giveVariant(HRESULT hr, const dnc::Variant& value, VARIANT* out) {
    if (FAILED(hr)) return hr;
    const HRESULT put = putValue(value, out);
    return FAILED(put) ? put : hr;
}

}  // namespace dncsimcom

using namespace dncsimcom;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    // Runs before the DLL's statics are destroyed; `reserved` is set when the
    // whole process ends rather than the DLL being unloaded.
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) dncsim::Simulator::instance().events().abandon();
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    static ClassFactory machines(CLSID_JHMachineInProcess);
    static ClassFactory attributes(kFileAttributesClass);
    if (IsEqualCLSID(clsid, CLSID_JHMachineInProcess)) return machines.QueryInterface(iid, object);
    if (IsEqualCLSID(clsid, kFileAttributesClass)) return attributes.QueryInterface(iid, object);
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return aliveObjects() == 0 && locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(modulePath().c_str(), REGKIND_REGISTER, &library))) return SELFREG_E_TYPELIB;
    library->Release();
    if (HRESULT hr = registerClass(CLSID_JHMachineInProcess, L"Simulated machine"); FAILED(hr)) return hr;
    return registerClass(kFileAttributesClass, L"Simulated file attributes");
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    // Registered for the DLL's own bitness, and removed for it.
    UnRegisterTypeLib(LIBID_HeidenhainDNCLib, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    for (const CLSID* clsid : {&CLSID_JHMachineInProcess, &kFileAttributesClass})
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + guidText(*clsid)).c_str());
    return S_OK;
}
