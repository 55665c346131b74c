#include "dnccom/factory.h"

#include <mutex>

#include "dnccom/apartment.h"
#include "dnccom/file_system.h"
#include "dnccom/library_search.h"
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
    } catch (const ComponentError& error) {
        noteCreationFailure(error.what());
        return findRegisteredLibrary(Component::kLibraryName) ? TYPE_E_ELEMENTNOTFOUND : REGDB_E_CLASSNOTREG;
    }
}

HRESULT instantiate(const Component& found, const CLSID& coclass, const char* interfaceName, ComPtr<IDispatch>* object) {
    if (IsEqualGUID(coclass, GUID{})) {
        noteFailure(std::string("The Heidenhain DNC component has no class offering ") + interfaceName);
        return kNotBound;
    }
    const IID& iid = found.interfaceNamed(interfaceName).iid;
    return CoCreateInstance(coclass, nullptr, CLSCTX_ALL, IsEqualGUID(iid, GUID{}) ? IID_IDispatch : iid,
                            reinterpret_cast<void**>(object->put()));
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
    if (hr == REGDB_E_CLASSNOTREG) {
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
