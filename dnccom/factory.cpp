#include "dnccom/factory.h"

#include <chrono>
#include <mutex>

#include "dnccom/apartment.h"
#include "dnccom/file_system.h"
#include "dnccom/machine.h"

namespace dnccom {
namespace {

std::mutex failureMutex;
std::string lastFailure;

void noteCreationFailure(std::string text) {
    std::lock_guard<std::mutex> lock(failureMutex);
    lastFailure = std::move(text);
}

// The component, or the code of its absence: "class not registered" only
// when its type library is not registered at all.
HRESULT component(const Component** found) {
    try {
        *found = &Component::instance();
        noteCreationFailure({});
        return S_OK;
    } catch (const LibraryMissing& error) {
        noteCreationFailure(error.what());
        return REGDB_E_CLASSNOTREG;
    } catch (const ComponentError& error) {
        noteCreationFailure(error.what());
        return TYPE_E_ELEMENTNOTFOUND;
    }
}

// "Class not registered" for this program: the class may still be there for
// programs of the other bitness, which cannot load it into this process.
HRESULT otherBitness(const CLSID& coclass) {
    wchar_t guid[64];
    StringFromGUID2(coclass, guid, 64);
    const std::wstring path = std::wstring(L"CLSID\\") + guid;
    const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | other, &key) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    RegCloseKey(key);
    noteCreationFailure(std::string("The Heidenhain DNC component is registered for ") +
                        (sizeof(void*) == 8 ? "32-bit programs only; use the agent built for x86"
                                            : "64-bit programs only; use the agent built for x64"));
    return HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
}

// A component found once is looked up again after "class not registered" (it
// may have been installed anew), but not more than once a minute: every
// lookup reads the registry and keeps what it bound.
bool mayLookUpAgain() {
    static std::mutex mutex;
    static std::chrono::steady_clock::time_point last;
    std::lock_guard<std::mutex> lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    if (last != std::chrono::steady_clock::time_point{} && now - last < std::chrono::minutes(1)) return false;
    last = now;
    return true;
}

HRESULT instantiate(const Component& found, const CLSID& coclass, const char* interfaceName, ComPtr<IDispatch>* object) {
    if (IsEqualGUID(coclass, GUID{})) {
        noteFailure(std::string("The Heidenhain DNC component has no class offering ") + interfaceName);
        return kNotBound;
    }
    const HRESULT hr = CoCreateInstance(coclass, nullptr, CLSCTX_ALL, found.interfaceNamed(interfaceName).dispatchIid(),
                                        reinterpret_cast<void**>(object->put()));
    return hr == REGDB_E_CLASSNOTREG ? otherBitness(coclass) : hr;
}

template <class Adapter, class Interface>
HRESULT create(const CLSID& (Component::*coclass)() const, std::shared_ptr<Interface>* out) {
    if (out == nullptr) return E_POINTER;
    out->reset();
    if (const HRESULT joined = joinMultithreadedApartment(); FAILED(joined)) {
        noteCreationFailure(failureText());
        return joined;
    }
    const Component* found = nullptr;
    if (HRESULT hr = component(&found); FAILED(hr)) return hr;
    ComPtr<IDispatch> object;
    HRESULT hr = instantiate(*found, (found->*coclass)(), Adapter::kInterface, &object);
    if (hr == REGDB_E_CLASSNOTREG && mayLookUpAgain()) {
        // Removed or installed anew since we bound it: bind again and say what is missing.
        Component::forget();
        if (HRESULT again = component(&found); FAILED(again)) return again;
        hr = instantiate(*found, (found->*coclass)(), Adapter::kInterface, &object);
    }
    if (FAILED(hr)) return hr;
    *out = std::make_shared<Adapter>(std::move(object));
    return hr;
}

}  // namespace

dnc::HRESULT ComSdk::CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) {
    return create<ComMachine>(&Component::machineClass, machine);
}

dnc::HRESULT ComSdk::CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) {
    return create<ComFileAttributes>(&Component::fileAttributesClass, attributes);
}

dnc::HRESULT ComSdk::GetVersion(std::string* version) {
    if (version == nullptr) return E_POINTER;
    std::shared_ptr<dnc::IJHMachine> machine;
    const HRESULT hr = CreateMachine(&machine);
    return FAILED(hr) ? hr : machine->GetVersionComInterface(version);
}

std::string ComSdk::DescribeResult(dnc::HRESULT code) const {
    return code == kNotBound || code == RPC_E_CHANGED_MODE || code == DISP_E_TYPEMISMATCH ? failureText()
                                                                                         : std::string();
}

std::string ComSdk::DescribeGaps() const {
    const Component* found = nullptr;
    return SUCCEEDED(component(&found)) ? found->gaps() : DescribeFailure();
}

std::string ComSdk::DescribeFailure() const {
    std::lock_guard<std::mutex> lock(failureMutex);
    return lastFailure;
}

void installComSdk() { dnc::setMachineFactory(std::make_shared<ComSdk>()); }

}  // namespace dnccom
