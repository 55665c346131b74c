#include "dnccom/component.h"

#include <windows.h>

#include <cwctype>
#include <memory>
#include <mutex>
#include <optional>

#include "dnccom/apartment.h"
#include "dnccom/com_ptr.h"
#include "dnccom/text.h"

namespace dnccom {
namespace {

struct LibraryVersion {
    GUID guid{};
    WORD major = 0;
    WORD minor = 0;
};

std::wstring keyName(HKEY key, DWORD index) {
    wchar_t name[256];
    DWORD size = 256;
    return RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? std::wstring(name, size)
               : std::wstring();
}

std::string libraryName(ITypeLib* library) {
    BSTR name = nullptr;
    if (FAILED(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr))) return {};
    std::string text = fromBstr(name);
    SysFreeString(name);
    return text;
}

std::wstring defaultValue(HKEY key) {
    wchar_t text[512];
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
}

// Whether the library's description suggests the component: such libraries
// are loaded first, since loading every registered library takes seconds.
bool likely(std::wstring description) {
    for (auto& c : description) c = towupper(c);
    return description.find(L"DNC") != std::wstring::npos || description.find(L"HEIDENHAIN") != std::wstring::npos;
}

std::vector<std::pair<LibraryVersion, bool>> registeredLibraries() {
    std::vector<std::pair<LibraryVersion, bool>> found;
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"TypeLib", 0, KEY_READ, &root) != ERROR_SUCCESS) return found;
    for (DWORD i = 0;; ++i) {
        const std::wstring guidText = keyName(root, i);
        if (guidText.empty()) break;
        GUID guid;
        HKEY versions = nullptr;
        if (FAILED(CLSIDFromString(guidText.c_str(), &guid)) ||
            RegOpenKeyExW(root, guidText.c_str(), 0, KEY_READ, &versions) != ERROR_SUCCESS)
            continue;
        for (DWORD j = 0;; ++j) {
            const std::wstring versionText = keyName(versions, j);
            if (versionText.empty()) break;
            wchar_t* dot = nullptr;
            const auto major = static_cast<WORD>(wcstoul(versionText.c_str(), &dot, 16));
            const auto minor = static_cast<WORD>(dot && *dot == L'.' ? wcstoul(dot + 1, nullptr, 16) : 0);
            HKEY version = nullptr;
            bool hinted = false;
            if (RegOpenKeyExW(versions, versionText.c_str(), 0, KEY_READ, &version) == ERROR_SUCCESS) {
                hinted = likely(defaultValue(version));
                RegCloseKey(version);
            }
            found.push_back({{guid, major, minor}, hinted});
        }
        RegCloseKey(versions);
    }
    RegCloseKey(root);
    return found;
}

// The registered library of that name in its highest version: HKCR\TypeLib
// lists every library by GUID and version; the name is the library's own.
ComPtr<ITypeLib> findRegisteredLibrary(const std::string& wanted) {
    const auto candidates = registeredLibraries();
    for (const bool hintedOnly : {true, false}) {
        ComPtr<ITypeLib> best;
        LibraryVersion bestVersion;
        for (const auto& [version, hinted] : candidates) {
            if (hintedOnly && !hinted) continue;
            ComPtr<ITypeLib> library;
            if (FAILED(LoadRegTypeLib(version.guid, version.major, version.minor, 0, library.put()))) continue;
            if (libraryName(library.get()) != wanted) continue;
            if (!best || version.major > bestVersion.major ||
                (version.major == bestVersion.major && version.minor > bestVersion.minor)) {
                best = library;
                bestVersion = version;
            }
        }
        if (best) return best;
    }
    return {};
}

// Type attributes, released with the holder.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) {
        if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr;
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

std::string memberName(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) return {};
    std::string text = fromBstr(name);
    SysFreeString(name);
    return text;
}

// The VARIANT type in which a value of this type travels through IDispatch.
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

// An out parameter's type: the pointer to it removed.
VARTYPE outType(ITypeInfo* info, const TYPEDESC& type) {
    return type.vt == VT_PTR ? variantType(info, *type.lptdesc) : variantType(info, type);
}

Method methodOf(ITypeInfo* info, const FUNCDESC& desc) {
    Method method;
    method.id = desc.memid;
    method.flags = desc.invkind == INVOKE_PROPERTYGET   ? DISPATCH_PROPERTYGET
                   : desc.invkind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT
                   : desc.invkind == INVOKE_PROPERTYPUTREF ? DISPATCH_PROPERTYPUTREF
                                                        : DISPATCH_METHOD;
    for (SHORT i = 0; i < desc.cParams; ++i) {
        const ELEMDESC& param = desc.lprgelemdescParam[i];
        const USHORT flags = param.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FRETVAL) {
            method.returns = true;
            continue;
        }
        const bool out = (flags & PARAMFLAG_FOUT) != 0;
        method.params.push_back({out ? outType(info, param.tdesc) : variantType(info, param.tdesc), out});
    }
    // The dispatch view of a dual interface shows the [retval] as its result.
    const VARTYPE result = desc.elemdescFunc.tdesc.vt;
    if (result != VT_VOID && result != VT_HRESULT) method.returns = true;
    return method;
}

std::string shapeOf(const Method& method) {
    std::string shape;
    for (const auto& param : method.params) shape += param.out ? 'o' : 'i';
    if (method.returns) shape += 'o';
    return shape;
}

// Our call name to the component's member: get_X is the property get of X,
// put_X its put, anything else a method; a method of the full name serves too.
bool matches(const std::string& callName, const std::string& member, INVOKEKIND kind) {
    if (callName.starts_with("get_") && kind == INVOKE_PROPERTYGET) return member == callName.substr(4);
    if (callName.starts_with("put_") && (kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF))
        return member == callName.substr(4);
    return kind == INVOKE_FUNC && member == callName;
}

// Finds the member in the interface or the interfaces it derives from.
std::optional<Method> findMethod(ITypeInfo* info, const std::string& callName, int depth = 0) {
    TypeAttr attr(info);
    if (!attr || depth > 8) return std::nullopt;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        std::optional<Method> found;
        if (matches(callName, memberName(info, desc->memid), desc->invkind)) found = methodOf(info, *desc);
        info->ReleaseFuncDesc(desc);
        if (found) return found;
    }
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        HREFTYPE ref;
        ComPtr<ITypeInfo> base;
        if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, base.put())))
            if (auto found = findMethod(base.get(), callName, depth + 1)) return found;
    }
    return std::nullopt;
}

class Loader {
public:
    explicit Loader(ComPtr<ITypeLib> library) : library_(std::move(library)) {
        const UINT count = library_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            BSTR name = nullptr;
            if (SUCCEEDED(library_->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr)))
                byName_.emplace(fromBstr(name), i);
            SysFreeString(name);
        }
    }

    // The type of that name; for a dual interface its dispatch view.
    ComPtr<ITypeInfo> type(const std::string& name, TYPEKIND* kind) {
        ComPtr<ITypeInfo> info;
        auto it = byName_.find(name);
        if (it == byName_.end() || FAILED(library_->GetTypeInfo(it->second, info.put()))) return {};
        TypeAttr attr(info.get());
        if (!attr) return {};
        *kind = attr->typekind;
        if (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
            HREFTYPE ref;
            ComPtr<ITypeInfo> dispatchView;
            if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                SUCCEEDED(info->GetRefTypeInfo(ref, dispatchView.put()))) {
                *kind = TKIND_DISPATCH;
                return dispatchView;
            }
        }
        return info;
    }

    void bindInterface(const RequiredInterface& wanted, std::map<std::string, InterfaceBinding, std::less<>>& out) {
        TYPEKIND kind{};
        auto info = type(wanted.name, &kind);
        if (!info || (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE)) {
            missing(std::string("interface ") + wanted.name);
            return;
        }
        InterfaceBinding binding;
        binding.name = wanted.name;
        binding.iid = guidOf(info.get());
        for (const auto& method : wanted.methods) {
            auto found = findMethod(info.get(), method.name);
            if (!found) {
                missing(std::string(wanted.name) + "." + method.name);
            } else if (shapeOf(*found) != method.shape) {
                missing(std::string(wanted.name) + "." + method.name + " with arguments '" + method.shape +
                        "' (it has '" + shapeOf(*found) + "')");
            } else {
                binding.methods.emplace(method.name, std::move(*found));
            }
        }
        out.emplace(wanted.name, std::move(binding));
    }

    void bindEvents(const RequiredEvents& wanted, std::map<std::string, EventBinding, std::less<>>& out) {
        TYPEKIND kind{};
        auto info = type(wanted.name, &kind);
        if (!info || kind != TKIND_DISPATCH) {
            missing(std::string("event interface ") + wanted.name);
            return;
        }
        EventBinding binding;
        binding.name = wanted.name;
        binding.iid = guidOf(info.get());
        for (const char* name : wanted.methods) {
            std::wstring wide = widen(name);
            LPOLESTR names[] = {wide.data()};
            MEMBERID id = MEMBERID_NIL;
            if (FAILED(info->GetIDsOfNames(names, 1, &id))) {
                missing(std::string(wanted.name) + "." + name);
                continue;
            }
            binding.methods.emplace(id, name);
        }
        out.emplace(wanted.name, std::move(binding));
    }

    void bindConstants(std::map<std::string, LONG, std::less<>>& out) {
        const UINT count = library_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            if (FAILED(library_->GetTypeInfo(i, info.put()))) continue;
            TypeAttr attr(info.get());
            if (!attr || attr->typekind != TKIND_ENUM) continue;
            for (UINT v = 0; v < attr->cVars; ++v) {
                VARDESC* desc = nullptr;
                if (FAILED(info->GetVarDesc(v, &desc))) continue;
                VARIANT value;
                VariantInit(&value);
                if (desc->varkind == VAR_CONST && SUCCEEDED(VariantChangeType(&value, desc->lpvarValue, 0, VT_I4)))
                    out.emplace(memberName(info.get(), desc->memid), value.lVal);
                info->ReleaseVarDesc(desc);
            }
        }
        for (const char* name : requiredConstants())
            if (!out.contains(name)) missing(std::string("constant ") + name);
    }

    CLSID coclassNamed(const std::string& name) {
        TYPEKIND kind{};
        auto info = type(name, &kind);
        if (!info || kind != TKIND_COCLASS) {
            missing("class " + name);
            return {};
        }
        return guidOf(info.get());
    }

    // The first class whose interfaces include the named one.
    CLSID coclassOffering(const std::string& interfaceName) {
        const UINT count = library_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            if (FAILED(library_->GetTypeInfo(i, info.put()))) continue;
            TypeAttr attr(info.get());
            if (!attr || attr->typekind != TKIND_COCLASS) continue;
            for (UINT j = 0; j < attr->cImplTypes; ++j) {
                HREFTYPE ref;
                ComPtr<ITypeInfo> implemented;
                if (SUCCEEDED(info->GetRefTypeOfImplType(j, &ref)) &&
                    SUCCEEDED(info->GetRefTypeInfo(ref, implemented.put())) &&
                    memberName(implemented.get(), MEMBERID_NIL) == interfaceName)
                    return attr->guid;
            }
        }
        missing("a class offering " + interfaceName);
        return {};
    }

    const std::vector<std::string>& missingNames() const { return missing_; }

private:
    static GUID guidOf(ITypeInfo* info) {
        TypeAttr attr(info);
        return attr ? attr->guid : GUID{};
    }
    void missing(std::string what) { missing_.push_back(std::move(what)); }

    ComPtr<ITypeLib> library_;
    std::map<std::string, UINT> byName_;
    std::vector<std::string> missing_;
};

}  // namespace

const Method& InterfaceBinding::method(std::string_view callName) const {
    auto it = methods.find(callName);
    if (it == methods.end())
        throw ComponentError("The adapter calls " + name + "." + std::string(callName) + ", which it did not bind");
    return it->second;
}

Component Component::load() {
    joinMultithreadedApartment();
    auto library = findRegisteredLibrary(kLibraryName);
    if (!library) {
        throw ComponentError(std::string("The type library ") + kLibraryName +
                             " is not registered: the Heidenhain DNC component is not installed");
    }
    Component component;
    Loader loader(library);
    for (const auto& wanted : requiredInterfaces()) loader.bindInterface(wanted, component.interfaces_);
    for (const auto& wanted : requiredEvents()) loader.bindEvents(wanted, component.events_);
    loader.bindConstants(component.constants_);
    component.machineClass_ = loader.coclassNamed(kMachineClass);
    component.fileAttributesClass_ = loader.coclassOffering(kFileAttributesInterface);
    if (!loader.missingNames().empty()) {
        std::string text = std::string("The registered type library ") + kLibraryName + " lacks ";
        for (std::size_t i = 0; i < loader.missingNames().size(); ++i)
            text += (i ? ", " : "") + loader.missingNames()[i];
        throw ComponentError(text);
    }
    return component;
}

namespace {
std::mutex loadMutex;
// Every component loaded stays: adapter objects refer to its bindings.
std::vector<std::unique_ptr<Component>> loadedComponents;
const Component* currentComponent = nullptr;
}  // namespace

const Component& Component::instance() {
    // A failed load is tried again on the next use: the component may be
    // installed meanwhile.
    std::lock_guard<std::mutex> lock(loadMutex);
    if (currentComponent == nullptr) {
        loadedComponents.push_back(std::unique_ptr<Component>(new Component(load())));
        currentComponent = loadedComponents.back().get();
    }
    return *currentComponent;
}

void Component::forget() {
    std::lock_guard<std::mutex> lock(loadMutex);
    currentComponent = nullptr;
}

const InterfaceBinding& Component::interfaceNamed(std::string_view name) const {
    auto it = interfaces_.find(name);
    if (it == interfaces_.end()) throw ComponentError("Interface " + std::string(name) + " was not bound");
    return it->second;
}

const EventBinding& Component::eventsNamed(std::string_view name) const {
    auto it = events_.find(name);
    if (it == events_.end()) throw ComponentError("Event interface " + std::string(name) + " was not bound");
    return it->second;
}

LONG Component::constant(std::string_view name) const {
    auto it = constants_.find(name);
    if (it == constants_.end()) throw ComponentError("Constant " + std::string(name) + " was not bound");
    return it->second;
}

}  // namespace dnccom
