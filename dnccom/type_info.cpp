#include "dnccom/type_info.h"

#include "dnccom/text.h"

namespace dnccom {

std::string memberName(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr;
    if (info == nullptr || FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) return {};
    std::string text = fromBstr(name);
    SysFreeString(name);
    return text;
}

GUID guidOf(ITypeInfo* info) {
    TypeAttr attr(info);
    return attr ? attr->guid : GUID{};
}

VARTYPE variantType(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
        case VT_PTR:
            // Only interface pointers are pointers by value.
            return variantType(info, *type.lptdesc);
        case VT_SAFEARRAY:
            return static_cast<VARTYPE>(VT_ARRAY | variantType(info, *type.lptdesc));
        case VT_USERDEFINED: {
            ComPtr<ITypeInfo> referenced;
            if (FAILED(info->GetRefTypeInfo(type.hreftype, referenced.put()))) return VT_EMPTY;
            TypeAttr attr(referenced.get());
            if (!attr) return VT_EMPTY;
            switch (attr->typekind) {
                case TKIND_ENUM: return VT_I4;
                case TKIND_ALIAS: return variantType(referenced.get(), attr->tdescAlias);
                case TKIND_DISPATCH: return VT_DISPATCH;
                case TKIND_INTERFACE:
                    return (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE) ? VT_DISPATCH : VT_UNKNOWN;
                default: return VT_UNKNOWN;
            }
        }
        case VT_INT: return VT_I4;
        case VT_UINT: return VT_UI4;
        default:
            return type.vt;
    }
}

VARTYPE outType(ITypeInfo* info, const TYPEDESC& type) {
    return type.vt == VT_PTR ? variantType(info, *type.lptdesc) : variantType(info, type);
}

ComPtr<ITypeInfo> interfaceOf(ITypeInfo* info, const TYPEDESC& type) {
    const TYPEDESC* at = &type;
    while (at->vt == VT_PTR) at = at->lptdesc;
    ComPtr<ITypeInfo> referenced;
    if (at->vt != VT_USERDEFINED || FAILED(info->GetRefTypeInfo(at->hreftype, referenced.put()))) return {};
    TypeAttr attr(referenced.get());
    if (!attr || (attr->typekind != TKIND_INTERFACE && attr->typekind != TKIND_DISPATCH)) return {};
    return referenced;
}

namespace {

// A dual interface is described twice, as a dispatch view and as a vtable
// view; index -1 of the one leads to the other.
ComPtr<ITypeInfo> otherViewOfDual(ComPtr<ITypeInfo> info, TYPEKIND from) {
    TypeAttr attr(info.get());
    if (!attr || attr->typekind != from || !(attr->wTypeFlags & TYPEFLAG_FDUAL)) return info;
    HREFTYPE ref;
    ComPtr<ITypeInfo> view;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, view.put())))
        return view;
    return info;
}

}  // namespace

ComPtr<ITypeInfo> dispatchView(ComPtr<ITypeInfo> info) { return otherViewOfDual(std::move(info), TKIND_INTERFACE); }

ComPtr<ITypeInfo> vtableView(ComPtr<ITypeInfo> info) { return otherViewOfDual(std::move(info), TKIND_DISPATCH); }

bool isBaseMember(const std::string& name) {
    for (const char* base : {"QueryInterface", "AddRef", "Release", "GetTypeInfoCount", "GetTypeInfo",
                             "GetIDsOfNames", "Invoke"})
        if (name == base) return true;
    return false;
}

}  // namespace dnccom
