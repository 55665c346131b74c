#include "dnccom/object.h"

#include <vector>

#include "dnccom/apartment.h"
#include "dnccom/text.h"

namespace dnccom {
namespace {

// The component's code of a failure that IDispatch reports as an exception.
HRESULT exceptionCode(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    if (info.scode != 0) return info.scode;
    return info.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, info.wCode) : E_FAIL;
}

}  // namespace

HRESULT invoke(IDispatch* target, const Method& method, std::initializer_list<Arg> args) {
    joinMultithreadedApartment();
    if (target == nullptr) return E_POINTER;
    const std::size_t count = method.params.size();
    if (args.size() != count + (method.returns ? 1 : 0)) return DISP_E_BADPARAMCOUNT;
    const Arg* given = args.begin();
    // IDispatch takes the arguments last first; out values land in `received`.
    std::vector<VARIANT> passed(count);
    std::vector<Var> received(count);
    for (std::size_t i = 0; i < count; ++i) {
        VARIANT& slot = passed[count - 1 - i];
        VariantInit(&slot);
        const Param& param = method.params[i];
        if (!param.out) {
            if (given[i].in == nullptr) return E_INVALIDARG;
            slot = *given[i].in;  // borrowed, not cleared here
            continue;
        }
        VARIANT* store = received[i].get();
        if (param.vt == VT_VARIANT) {
            slot.vt = VT_BYREF | VT_VARIANT;
            slot.pvarVal = store;
        } else {
            store->vt = param.vt;
            slot.vt = static_cast<VARTYPE>(VT_BYREF | param.vt);
            slot.byref = &store->llVal;
        }
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{passed.data(), nullptr, static_cast<UINT>(count), 0};
    if (method.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    Var result;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    HRESULT hr = target->Invoke(method.id, IID_NULL, LOCALE_USER_DEFAULT, method.flags, &parameters,
                                method.returns ? result.get() : nullptr, &exception, &badArgument);
    if (hr == DISP_E_EXCEPTION) hr = exceptionCode(exception);
    // Handed over also on failure, so that whatever the component left there is freed once.
    for (std::size_t i = 0; i < count; ++i) {
        if (method.params[i].out && given[i].out) std::swap(*given[i].out, received[i]);
    }
    if (method.returns && given[count].out) std::swap(*given[count].out, result);
    return hr;
}

IUnknown* componentObject(const dnc::Object* object) {
    if (auto* wrapped = dynamic_cast<const ComObject*>(object)) return wrapped->dispatch();
    if (auto* unknown = dynamic_cast<const UnknownObject*>(object)) return unknown->unknown();
    return nullptr;
}

IDispatch* componentDispatch(const dnc::Object* object) {
    auto* wrapped = dynamic_cast<const ComObject*>(object);
    return wrapped ? wrapped->dispatch() : nullptr;
}

HRESULT assign(HRESULT hr, const Var& value, std::int32_t* out) {
    if (SUCCEEDED(hr)) *out = value.asI4();
    return hr;
}

HRESULT assign(HRESULT hr, const Var& value, std::string* out) {
    if (SUCCEEDED(hr)) *out = value.asText();
    return hr;
}

HRESULT assign(HRESULT hr, const Var& value, dnc::Variant* out) {
    if (SUCCEEDED(hr)) *out = value.toDnc();
    return hr;
}

HRESULT assign(HRESULT hr, const Var& value, dnc::VariantBool* out) {
    if (SUCCEEDED(hr)) *out = value.asBool();
    return hr;
}

}  // namespace dnccom
