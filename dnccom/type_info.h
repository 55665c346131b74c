#pragma once
// Reading a type library: type attributes held for a scope, member names, and
// the VARIANT types in which values travel through IDispatch.
#include <oaidl.h>

#include <string>

#include "dnccom/com_ptr.h"

namespace dnccom {

// Type attributes, released with the holder.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) {
        if (info == nullptr || FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    ~TypeAttr() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

// A function description, released with the holder.
class FuncDesc {
public:
    FuncDesc(ITypeInfo* info, UINT index) : info_(info) {
        if (FAILED(info->GetFuncDesc(index, &desc_))) desc_ = nullptr;
    }
    ~FuncDesc() {
        if (desc_) info_->ReleaseFuncDesc(desc_);
    }
    FuncDesc(const FuncDesc&) = delete;
    FuncDesc& operator=(const FuncDesc&) = delete;
    const FUNCDESC* operator->() const { return desc_; }
    const FUNCDESC& operator*() const { return *desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

// The name of a member, or of the type itself for MEMBERID_NIL.
std::string memberName(ITypeInfo* info, MEMBERID id);
GUID guidOf(ITypeInfo* info);
// The VARIANT type in which a value of this type travels through IDispatch
// (enumerations as VT_I4, interfaces as VT_DISPATCH or VT_UNKNOWN).
VARTYPE variantType(ITypeInfo* info, const TYPEDESC& type);
// An out parameter's type: the pointer to it removed.
VARTYPE outType(ITypeInfo* info, const TYPEDESC& type);
// The interface that a parameter of this type points to, if it is one.
ComPtr<ITypeInfo> interfaceOf(ITypeInfo* info, const TYPEDESC& type);
// For a dual interface its dispatch view; any other type as it is.
ComPtr<ITypeInfo> dispatchView(ComPtr<ITypeInfo> info);
// For a dual interface its vtable view; any other type as it is.
ComPtr<ITypeInfo> vtableView(ComPtr<ITypeInfo> info);
// The methods of IUnknown and IDispatch, which every interface repeats.
bool isBaseMember(const std::string& name);

}  // namespace dnccom
