#include "dnccom/var.h"

#include <memory>
#include <vector>

#include "dnccom/com_ptr.h"
#include "dnccom/object.h"
#include "dnccom/text.h"

namespace dnccom {
namespace {

Var changed(const VARIANT& value, VARTYPE type) {
    Var result;
    if (FAILED(VariantChangeType(result.get(), const_cast<VARIANT*>(&value), 0, type))) VariantInit(result.get());
    return result;
}

dnc::Variant arrayToDnc(SAFEARRAY* array, VARTYPE elementType) {
    std::vector<dnc::Variant> elements;
    LONG lower = 0;
    LONG upper = -1;
    // Only lists are taken; assign() refuses other arrays with a reason.
    if (array && SafeArrayGetDim(array) == 1) {
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
    }
    // Elements that do not fit a VARIANT's value field are not read.
    const bool simple = elementType != VT_DECIMAL && elementType != VT_RECORD;
    for (LONG i = lower; simple && i <= upper; ++i) {
        Var element;
        if (elementType == VT_VARIANT) {
            if (FAILED(SafeArrayGetElement(array, &i, element.get()))) continue;
        } else {
            VARIANT* raw = element.get();
            if (FAILED(SafeArrayGetElement(array, &i, &raw->llVal))) continue;
            raw->vt = elementType;
        }
        elements.push_back(element.toDnc());
    }
    return dnc::Variant::array(elementType, std::move(elements));
}

HRESULT arrayToCom(const dnc::Variant& value, VARIANT* out) {
    const auto elementType = static_cast<VARTYPE>(value.vt() & ~dnc::VT_ARRAY);
    const auto& elements = value.elements();
    SAFEARRAY* array = SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(elements.size()));
    if (array == nullptr) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        const Var given = Var::from(elements[static_cast<std::size_t>(i)]);
        const Var element = elementType == VT_VARIANT || given.get()->vt == elementType
                                ? Var::copy(*given.get())
                                : changed(*given.get(), elementType);
        VARIANT* raw = const_cast<VARIANT*>(element.get());
        // Pointer types are put by value, the others through their address.
        const bool pointer = elementType == VT_BSTR || elementType == VT_DISPATCH || elementType == VT_UNKNOWN;
        void* data = elementType == VT_VARIANT ? static_cast<void*>(raw) : pointer ? raw->byref : &raw->llVal;
        if (FAILED(SafeArrayPutElement(array, &i, data))) {
            SafeArrayDestroy(array);
            return E_INVALIDARG;
        }
    }
    out->vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    out->parray = array;
    return S_OK;
}

}  // namespace

Var Var::copy(const VARIANT& value) {
    Var var;
    if (FAILED(VariantCopy(&var.v_, const_cast<VARIANT*>(&value)))) VariantInit(&var.v_);
    return var;
}

Var Var::i4(LONG value) {
    Var var;
    var.v_.vt = VT_I4;
    var.v_.lVal = value;
    return var;
}

Var Var::text(const std::string& utf8) {
    Var var;
    var.v_.vt = VT_BSTR;
    var.v_.bstrVal = toBstr(utf8);
    return var;
}

Var Var::boolean(dnc::VariantBool value) {
    Var var;
    var.v_.vt = VT_BOOL;
    var.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return var;
}

Var Var::dispatch(IDispatch* object) {
    Var var;
    var.v_.vt = VT_DISPATCH;
    var.v_.pdispVal = object;
    if (object) object->AddRef();
    return var;
}

Var Var::from(const dnc::Variant& value) {
    Var var;
    if (FAILED(toComVariant(value, &var.v_))) VariantInit(&var.v_);
    return var;
}

LONG Var::asI4() const { return changed(v_, VT_I4).v_.lVal; }

std::string Var::asText() const {
    Var text = changed(v_, VT_BSTR);
    return text.v_.vt == VT_BSTR ? fromBstr(text.v_.bstrVal) : std::string();
}

dnc::VariantBool Var::asBool() const {
    Var flag = changed(v_, VT_BOOL);
    return flag.v_.vt == VT_BOOL && flag.v_.boolVal ? VARIANT_TRUE : VARIANT_FALSE;
}

IUnknown* Var::takeUnknown() {
    VARIANT* value = &v_;
    if (value->vt == (VT_BYREF | VT_VARIANT)) value = value->pvarVal;
    IUnknown* unknown = nullptr;
    if (value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN) unknown = value->punkVal;
    else if (value->vt == (VT_BYREF | VT_DISPATCH) || value->vt == (VT_BYREF | VT_UNKNOWN))
        unknown = value->ppunkVal ? *value->ppunkVal : nullptr;
    if (unknown) unknown->AddRef();
    return unknown;
}

dnc::Variant Var::toDnc() const { return toDncVariant(v_); }

dnc::Variant toDncVariant(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT)) return value.pvarVal ? toDncVariant(*value.pvarVal) : dnc::Variant();
    if (value.vt & VT_BYREF) {
        Var direct;
        if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&value)))) return {};
        return direct.toDnc();
    }
    if (value.vt & VT_ARRAY) return arrayToDnc(value.parray, static_cast<VARTYPE>(value.vt & VT_TYPEMASK));
    switch (value.vt) {
        case VT_NULL: return dnc::Variant::null();
        case VT_I1: return dnc::Variant::fromSigned(dnc::VT_I1, value.cVal);
        case VT_I2: return dnc::Variant::fromSigned(dnc::VT_I2, value.iVal);
        case VT_I4: return dnc::Variant(static_cast<std::int32_t>(value.lVal));
        case VT_I8: return dnc::Variant::fromSigned(dnc::VT_I8, value.llVal);
        case VT_INT: return dnc::Variant::fromSigned(dnc::VT_INT, value.intVal);
        case VT_CY: return dnc::Variant::fromSigned(dnc::VT_CY, value.cyVal.int64);
        case VT_ERROR: return dnc::Variant::error(value.scode);
        case VT_UI1: return dnc::Variant::fromUnsigned(dnc::VT_UI1, value.bVal);
        case VT_UI2: return dnc::Variant::fromUnsigned(dnc::VT_UI2, value.uiVal);
        case VT_UI4: return dnc::Variant::fromUnsigned(dnc::VT_UI4, value.ulVal);
        case VT_UI8: return dnc::Variant::fromUnsigned(dnc::VT_UI8, value.ullVal);
        case VT_UINT: return dnc::Variant::fromUnsigned(dnc::VT_UINT, value.uintVal);
        case VT_R4: return dnc::Variant(value.fltVal);
        case VT_R8: return dnc::Variant(value.dblVal);
        case VT_DATE: return dnc::Variant::fromReal(dnc::VT_DATE, value.date);
        case VT_BSTR: return dnc::Variant(fromBstr(value.bstrVal));
        case VT_BOOL: return dnc::Variant::boolean(value.boolVal != VARIANT_FALSE);
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return value.punkVal ? dnc::Variant::dispatch(std::make_shared<UnknownObject>(
                                       ComPtr<IUnknown>::share(value.punkVal)))
                                 : dnc::Variant::dispatch(nullptr);
        default: return {};
    }
}

HRESULT toComVariant(const dnc::Variant& value, VARIANT* out) {
    VariantInit(out);
    if (value.isArray()) return arrayToCom(value, out);
    out->vt = value.vt();
    switch (value.vt()) {
        case dnc::VT_EMPTY:
        case dnc::VT_NULL: break;
        case dnc::VT_I1: out->cVal = static_cast<CHAR>(value.signedValue()); break;
        case dnc::VT_I2: out->iVal = static_cast<SHORT>(value.signedValue()); break;
        case dnc::VT_I4: out->lVal = static_cast<LONG>(value.signedValue()); break;
        case dnc::VT_I8: out->llVal = value.signedValue(); break;
        case dnc::VT_INT: out->intVal = static_cast<INT>(value.signedValue()); break;
        case dnc::VT_CY: out->cyVal.int64 = value.signedValue(); break;
        case dnc::VT_ERROR: out->scode = static_cast<SCODE>(value.signedValue()); break;
        case dnc::VT_UI1: out->bVal = static_cast<BYTE>(value.unsignedValue()); break;
        case dnc::VT_UI2: out->uiVal = static_cast<USHORT>(value.unsignedValue()); break;
        case dnc::VT_UI4: out->ulVal = static_cast<ULONG>(value.unsignedValue()); break;
        case dnc::VT_UI8: out->ullVal = value.unsignedValue(); break;
        case dnc::VT_UINT: out->uintVal = static_cast<UINT>(value.unsignedValue()); break;
        case dnc::VT_R4: out->fltVal = static_cast<FLOAT>(value.realValue()); break;
        case dnc::VT_R8: out->dblVal = value.realValue(); break;
        case dnc::VT_DATE: out->date = value.realValue(); break;
        case dnc::VT_BSTR:
            out->bstrVal = toBstr(value.text());
            if (out->bstrVal == nullptr) return VariantInit(out), E_OUTOFMEMORY;
            break;
        case dnc::VT_BOOL: out->boolVal = value.boolValue() ? VARIANT_TRUE : VARIANT_FALSE; break;
        case dnc::VT_DISPATCH: {
            IUnknown* object = componentObject(value.object().get());
            out->pdispVal = nullptr;
            if (object && FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out->pdispVal)))) {
                out->vt = VT_UNKNOWN;
                out->punkVal = object;
                object->AddRef();
            }
            break;
        }
        default:
            VariantInit(out);
            return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

}  // namespace dnccom
