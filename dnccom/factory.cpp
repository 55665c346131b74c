#include "dnccom/factory.h"

#include <mutex>

#include "dnccom/apartment.h"
#include "dnccom/file_system.h"
#include "dnccom/machine.h"

namespace dnccom {
namespace {

std::mutex failureMutex;
std::string lastFailure;

void noteFailure(std::string text) {
    std::lock_guard<std::mutex> lock(failureMutex);
    lastFailure = std::move(text);
}

// The component, or the code of its absence: not registered at all, or
// registered without what we use.
HRESULT component(const Component** found) {
    try {
        *found = &Component::instance();
        noteFailure({});
        return S_OK;
    } catch (const ComponentError& error) {
        noteFailure(error.what());
        return REGDB_E_CLASSNOTREG;
    }
}

template <class Adapter, class Interface>
HRESULT create(const CLSID& (Component::*coclass)() const, std::shared_ptr<Interface>* out) {
    if (out == nullptr) return E_POINTER;
    out->reset();
    joinMultithreadedApartment();
    const Component* found = nullptr;
    if (HRESULT hr = component(&found); FAILED(hr)) return hr;
    ComPtr<IDispatch> object;
    HRESULT hr = CoCreateInstance((found->*coclass)(), nullptr, CLSCTX_ALL,
                                  found->interfaceNamed(Adapter::kInterface).iid, reinterpret_cast<void**>(object.put()));
    if (hr == REGDB_E_CLASSNOTREG) {
        // Removed or installed anew since we bound it: bind again and say what is missing.
        Component::forget();
        if (HRESULT again = component(&found); FAILED(again)) return again;
        hr = CoCreateInstance((found->*coclass)(), nullptr, CLSCTX_ALL, found->interfaceNamed(Adapter::kInterface).iid,
                              reinterpret_cast<void**>(object.put()));
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

std::string ComSdk::DescribeFailure() const {
    std::lock_guard<std::mutex> lock(failureMutex);
    return lastFailure;
}

void installComSdk() { dnc::setMachineFactory(std::make_shared<ComSdk>()); }

}  // namespace dnccom
