#include "dnccom/object.h"

#include <string>
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

Var notBound() {
    Var marker;
    marker.get()->vt = VT_ERROR;
    marker.get()->scode = kNotBound;
    return marker;
}

HRESULT invoke(IDispatch* target, const Method& method, std::initializer_list<Arg> args) {
    if (const HRESULT joined = joinMultithreadedApartment(); FAILED(joined)) return joined;
    if (target == nullptr) return E_POINTER;
    const std::size_t count = method.params.size();
    const std::size_t given = args.size() - (method.returns ? 1 : 0);
    if (args.size() < (method.returns ? 1u : 0u) || given > count) return DISP_E_BADPARAMCOUNT;
    const Arg* arg = args.begin();
    for (std::size_t i = 0; i < given; ++i)
        if (arg[i].in && arg[i].in->vt == VT_ERROR && arg[i].in->scode == kNotBound) return kNotBound;
    // A reason noted earlier must not be read as this call's.
    noteFailure({});
    // IDispatch takes the arguments last first. What the component writes
    // lands in `received`, which starts empty and zeroed, so that whatever a
    // failing call leaves there is safe to clear.
    std::vector<VARIANT> passed(count);
    std::vector<Var> received(count);
    for (std::size_t i = 0; i < count; ++i) {
        VARIANT& slot = passed[count - 1 - i];
        VariantInit(&slot);
        const Param& param = method.params[i];
        if (i >= given) {
            if (param.defaultValue) {
                received[i] = Var::copy(*param.defaultValue->get());
                slot = *received[i].get();  // owned by `received`
            } else {
                slot.vt = VT_ERROR;
                slot.scode = DISP_E_PARAMNOTFOUND;
            }
            continue;
        }
        if (!param.out) {
            if (arg[i].in == nullptr) return E_INVALIDARG;
            slot = *arg[i].in;  // borrowed, not cleared here
            continue;
        }
        // An [in, out] parameter starts with our value, or empty for an out value of ours.
        Var& store = received[i];
        if (arg[i].in) store = Var::copy(*arg[i].in);
        if (param.vt == VT_VARIANT) {
            slot.vt = VT_BYREF | VT_VARIANT;
            slot.pvarVal = store.get();
            continue;
        }
        if (store.get()->vt != param.vt) {
            Var converted;
            if (arg[i].in && FAILED(VariantChangeType(converted.get(), store.get(), 0, param.vt))) return DISP_E_TYPEMISMATCH;
            converted.get()->vt = param.vt;
            store = std::move(converted);
        }
        slot.vt = static_cast<VARTYPE>(VT_BYREF | param.vt);
        // A DECIMAL fills the whole VARIANT; every other value its value field.
        slot.byref = param.vt == VT_DECIMAL ? static_cast<void*>(&store.get()->decVal) : &store.get()->llVal;
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
    for (std::size_t i = 0; i < given; ++i) {
        if (method.params[i].out && arg[i].out) std::swap(*arg[i].out, received[i]);
    }
    if (method.returns && arg[given].out) std::swap(*arg[given].out, result);
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
    if (FAILED(hr)) return hr;
    const VARIANT* direct = value.get();
    if (direct->vt == (VT_BYREF | VT_VARIANT) && direct->pvarVal) direct = direct->pvarVal;
    if (direct->vt & VT_ARRAY) {
        SAFEARRAY* array = (direct->vt & VT_BYREF) ? (direct->pparray ? *direct->pparray : nullptr) : direct->parray;
        if (array && SafeArrayGetDim(array) != 1) {
            noteFailure("The Heidenhain DNC component returned an array of " + std::to_string(SafeArrayGetDim(array)) +
                        " dimensions where a list of one dimension was expected");
            return DISP_E_TYPEMISMATCH;
        }
    }
    *out = value.toDnc();
    return hr;
}

HRESULT assign(HRESULT hr, const Var& value, dnc::VariantBool* out) {
    if (SUCCEEDED(hr)) *out = value.asBool();
    return hr;
}

}  // namespace dnccom
