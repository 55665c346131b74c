#pragma once
// The base of every object of the simulated component: a reference count
// that tests can watch (aliveObjects()), QueryInterface for IUnknown,
// IDispatch and the object's dual interface, and IDispatch served by the type
// library.
#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "dncsimcom/names.h"
#include "heidenhain_dnc.h"

namespace dncsimcom {

// Objects of the component alive in the process.
long aliveObjects();
void objectCreated();
void objectDestroyed();
// The description of a dual interface in the component's type library (from
// the DLL's resources), held for the process; null if it cannot be loaded.
ITypeInfo* typeInfoOf(const IID& iid);

template <class Interface>
class ServerObject : public Interface {
public:
    ServerObject() { objectCreated(); }
    virtual ~ServerObject() { objectDestroyed(); }
    ServerObject(const ServerObject&) = delete;
    ServerObject& operator=(const ServerObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
        } else if (!queryOther(iid, object)) {
            return E_NOINTERFACE;
        }
        static_cast<IUnknown*>(*object)->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeInfo* found = typeInfo();
        if (found == nullptr) return TYPE_E_ELEMENTNOTFOUND;
        found->AddRef();
        *info = found;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ITypeInfo* info = typeInfo();
        return info ? info->GetIDsOfNames(names, count, ids) : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO* exception, UINT* badArgument) override {
        ITypeInfo* info = typeInfo();
        if (info == nullptr) return E_UNEXPECTED;
        return info->Invoke(static_cast<Interface*>(this), id, flags, parameters, result, exception, badArgument);
    }

protected:
    // Further interfaces of the object (a connection point container).
    virtual bool queryOther(REFIID, void**) { return false; }

private:
    static ITypeInfo* typeInfo() { return typeInfoOf(__uuidof(Interface)); }

    std::atomic<ULONG> references_{1};
};

}  // namespace dncsimcom
