#include "dnccom/component.h"

#include <windows.h>

#include <mutex>

#include "dnccom/apartment.h"
#include "dnccom/library_search.h"
#include "dnccom/member_lookup.h"
#include "dnccom/text.h"
#include "dnccom/type_info.h"
#include "dnccom/var.h"

namespace dnccom {

EventBinding eventBinding(ComPtr<ITypeInfo> info, const RequiredEvents& wanted);

class Loader {
public:
    Loader(ComPtr<ITypeLib> library, Component& component) : library_(std::move(library)), component_(component) {
        const UINT count = library_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            if (SUCCEEDED(library_->GetTypeInfo(i, info.put()))) byName_.emplace(memberName(info.get(), MEMBERID_NIL), info);
        }
    }

    void describeLibrary() {
        TLIBATTR* attr = nullptr;
        if (FAILED(library_->GetLibAttr(&attr))) return;
        component_.libraryVersion = std::to_string(attr->wMajorVerNum) + "." + std::to_string(attr->wMinorVerNum);
        BSTR path = nullptr;
        if (SUCCEEDED(QueryPathOfRegTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, &path)))
            component_.libraryPath.assign(path, SysStringLen(path));
        SysFreeString(path);
        library_->ReleaseTLibAttr(attr);
    }

    void bindMachineClass() {
        auto coclass = named(kMachineClass, TKIND_COCLASS);
        component_.machineClass_ = guidOf(coclass.get());
        machineDefault_ = defaultInterface(coclass.get());
    }

    void bindInterface(const RequiredInterface& wanted) {
        InterfaceBinding binding;
        binding.name = wanted.name;
        ComPtr<ITypeInfo> info = named(wanted.name, TKIND_INTERFACE);
        if (!info) info = named(wanted.name, TKIND_DISPATCH);
        binding.foundAs = "by name";
        if (!info && std::string(wanted.name) == kMachineInterface && machineDefault_) {
            info = machineDefault_;
            binding.foundAs = std::string("as the default interface of ") + kMachineClass;
        }
        if (!info && wanted.source.interfaceName) {
            info = typeFromSource(wanted.source);
            binding.foundAs = std::string("as the type of ") + wanted.source.interfaceName + "." +
                              wanted.source.member + (wanted.source.param < 0 ? "'s result"
                                                     : " argument " + std::to_string(wanted.source.param + 1));
        }
        if (info && !callable(info.get())) {
            // Its vtable is all it offers: calling it through IDispatch would run another method.
            binding.foundAs = "found as " + memberName(info.get(), MEMBERID_NIL) +
                              ", a custom interface that the agent cannot call through IDispatch";
            info.reset();
        }
        if (info) {
            binding.type = dispatchView(info);
            binding.iid = guidOf(info.get());
            binding.componentName = memberName(info.get(), MEMBERID_NIL);
            MemberLookup lookup(membersOf(binding.type.get()));
            for (const auto& method : wanted.methods) {
                Found how = Found::missing;
                const Member* member = lookup.find(method, wanted.methods, &how);
                if (member && !takes(member->method, method.shape)) {
                    binding.report.push_back({method.name, member->name, Found::missing, shapeOf(member->method)});
                    continue;
                }
                binding.report.push_back({method.name, member ? member->name : std::string(), member ? how : Found::missing, {}});
                if (member) binding.methods.emplace(method.name, member->method);
            }
        } else {
            if (!binding.foundAs.starts_with("found as ")) binding.foundAs.clear();
            for (const auto& method : wanted.methods) binding.report.push_back({method.name, {}, Found::missing, {}});
        }
        component_.interfaceList_.push_back(std::move(binding));
    }

    void bindEvents(const RequiredEvents& wanted) {
        ComPtr<ITypeInfo> info = named(wanted.name, TKIND_DISPATCH);
        if (!info) info = named(wanted.name, TKIND_INTERFACE);
        if (info) events_.emplace(wanted.name, info);
        component_.eventList_.push_back(eventBinding(info, wanted));
    }

    void bindConstants() {
        std::map<std::string, std::pair<LONG, std::string>> all;  // name to value and enumeration
        const UINT count = library_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            if (FAILED(library_->GetTypeInfo(i, info.put()))) continue;
            TypeAttr attr(info.get());
            if (!attr || attr->typekind != TKIND_ENUM) continue;
            const std::string enumeration = memberName(info.get(), MEMBERID_NIL);
            for (UINT v = 0; v < attr->cVars; ++v) {
                VARDESC* desc = nullptr;
                if (FAILED(info->GetVarDesc(v, &desc))) continue;
                Var value;
                if (desc->varkind == VAR_CONST && SUCCEEDED(VariantChangeType(value.get(), desc->lpvarValue, 0, VT_I4)))
                    all.emplace(memberName(info.get(), desc->memid), std::make_pair(value.get()->lVal, enumeration));
                info->ReleaseVarDesc(desc);
            }
        }
        for (const auto& wanted : requiredConstants()) {
            ConstantReport report{wanted.name, {}, false};
            if (auto it = all.find(wanted.name); it != all.end()) {
                report = {wanted.name, wanted.name, true};
            } else if (wanted.fragment) {
                // The only constant of that meaning, in the enumeration of its sibling when known.
                const auto sibling = wanted.sibling ? all.find(wanted.sibling) : all.end();
                int matches = 0;
                for (const auto& [name, value] : all) {
                    if (name.find(wanted.fragment) == std::string::npos) continue;
                    if (sibling != all.end() && value.second != sibling->second.second) continue;
                    ++matches;
                    report.constant = name;
                }
                if (matches != 1) report.constant.clear();
            }
            if (!report.constant.empty()) component_.constants_.emplace(wanted.name, all.at(report.constant).first);
            component_.constantReport_.push_back(std::move(report));
        }
    }

    // The first class that offers the interface.
    void bindFileAttributesClass() {
        const GUID wanted = component_.interfaceNamed(kFileAttributesInterface).iid;
        if (IsEqualGUID(wanted, GUID{})) return;
        for (const auto& [name, info] : byName_) {
            TypeAttr attr(info.get());
            if (!attr || attr->typekind != TKIND_COCLASS) continue;
            for (UINT j = 0; j < attr->cImplTypes; ++j) {
                HREFTYPE ref;
                ComPtr<ITypeInfo> implemented;
                if (SUCCEEDED(info->GetRefTypeOfImplType(j, &ref)) &&
                    SUCCEEDED(info->GetRefTypeInfo(ref, implemented.put())) &&
                    IsEqualGUID(guidOf(implemented.get()), wanted)) {
                    component_.fileAttributesClass_ = attr->guid;
                    return;
                }
            }
        }
    }

private:
    // A dispinterface, or an interface that derives from IDispatch.
    static bool callable(ITypeInfo* info) {
        TypeAttr attr(info);
        return attr && (attr->typekind == TKIND_DISPATCH ||
                        (attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE)) != 0);
    }

    ComPtr<ITypeInfo> named(const std::string& name, TYPEKIND kind) {
        auto it = byName_.find(name);
        if (it == byName_.end()) return {};
        TypeAttr attr(it->second.get());
        return attr && attr->typekind == kind ? it->second : ComPtr<ITypeInfo>();
    }

    static ComPtr<ITypeInfo> defaultInterface(ITypeInfo* coclass) {
        TypeAttr attr(coclass);
        if (!attr) return {};
        for (UINT j = 0; j < attr->cImplTypes; ++j) {
            INT flags = 0;
            HREFTYPE ref;
            ComPtr<ITypeInfo> implemented;
            if (SUCCEEDED(coclass->GetImplTypeFlags(j, &flags)) && (flags & IMPLTYPEFLAG_FDEFAULT) &&
                !(flags & IMPLTYPEFLAG_FSOURCE) && SUCCEEDED(coclass->GetRefTypeOfImplType(j, &ref)) &&
                SUCCEEDED(coclass->GetRefTypeInfo(ref, implemented.put())))
                return implemented;
        }
        return {};
    }

    // The interface named by the type of a member of one already found.
    ComPtr<ITypeInfo> typeFromSource(const TypeSource& source) {
        ComPtr<ITypeInfo> owner;
        if (auto it = events_.find(source.interfaceName); it != events_.end()) {
            owner = it->second;
        } else {
            for (const auto& known : component_.interfaceList_)
                if (known.name == source.interfaceName) owner = known.type;
        }
        if (!owner) return {};
        const std::string wanted = source.member;
        for (const auto& member : membersOf(owner.get())) {
            const std::string bare = wanted.starts_with("get_") ? wanted.substr(4) : wanted;
            if (member.name != bare) continue;
            const Method& method = member.method;
            if (source.param < 0) return method.returnType;
            const auto at = static_cast<std::size_t>(source.param);
            return at < method.params.size() ? method.params[at].interfaceType : ComPtr<ITypeInfo>();
        }
        return {};
    }

    ComPtr<ITypeLib> library_;
    Component& component_;
    std::map<std::string, ComPtr<ITypeInfo>> byName_;
    std::map<std::string, ComPtr<ITypeInfo>> events_;
    ComPtr<ITypeInfo> machineDefault_;
};

EventBinding eventBinding(ComPtr<ITypeInfo> info, const RequiredEvents& wanted) {
    EventBinding binding;
    binding.name = wanted.name;
    TypeAttr attr(info.get());
    if (!attr) {
        for (const auto& method : wanted.methods) binding.report.push_back({method.name, {}, Found::missing, {}});
        return binding;
    }
    binding.iid = attr->guid;
    // A dual interface is listed by its dispatch view, a custom one only as an interface.
    binding.kind = (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0 ? EventKind::dual
                   : attr->typekind == TKIND_DISPATCH       ? EventKind::dispatch
                                                            : EventKind::custom;
    if (binding.kind != EventKind::dispatch) binding.vtableType = vtableView(info);
    MemberLookup lookup(membersOf(info.get()));
    for (const auto& method : wanted.methods) {
        Found how = Found::missing;
        const Member* member = lookup.find(method, wanted.methods, &how);
        binding.report.push_back({method.name, member ? member->name : std::string(), member ? how : Found::missing, {}});
        if (member) binding.methods.emplace(member->method.id, method.name);
    }
    return binding;
}

namespace {

thread_local std::string lastFailure;

}  // namespace

std::string foundHow(Found how) {
    switch (how) {
        case Found::byName: return "by name";
        case Found::byPosition: return "by position";
        case Found::byShape: return "by its shape";
        case Found::missing: break;
    }
    return "missing";
}

void noteFailure(std::string text) { lastFailure = std::move(text); }
std::string failureText() { return lastFailure; }

const Method* InterfaceBinding::method(std::string_view callName) const {
    auto it = methods.find(callName);
    if (it != methods.end()) return &it->second;
    const std::string wanted = std::string(callName);
    if (!found()) {
        noteFailure("The Heidenhain DNC component has no interface " + name + ", which " + wanted + " belongs to");
    } else {
        const std::string member = wanted.starts_with("get_") || wanted.starts_with("put_") ? wanted.substr(4) : wanted;
        std::string text = "The Heidenhain DNC component's interface " + componentName + " has no member " + member;
        for (const auto& line : report)
            if (line.wanted == wanted && !line.otherArguments.empty())
                text = "The Heidenhain DNC component's " + componentName + "." + line.member +
                       " takes other arguments than the agent passes";
        noteFailure(text);
    }
    return nullptr;
}

Component Component::load() {
    if (const HRESULT joined = joinMultithreadedApartment(); FAILED(joined)) throw ComponentError(failureText());
    auto library = findRegisteredLibrary(kLibraryName);
    if (!library) {
        throw LibraryMissing(std::string("The type library ") + kLibraryName +
                             " is not registered: the Heidenhain DNC component is not installed");
    }
    Component component;
    Loader loader(library, component);
    loader.describeLibrary();
    loader.bindMachineClass();
    if (IsEqualGUID(component.machineClass_, GUID{})) {
        throw ComponentError(std::string("The registered type library ") + kLibraryName + " has no class " +
                             kMachineClass);
    }
    // Events first: some interfaces are known only as the type of an event's argument.
    for (const auto& wanted : requiredEvents()) loader.bindEvents(wanted);
    for (const auto& wanted : requiredInterfaces()) loader.bindInterface(wanted);
    loader.bindConstants();
    loader.bindFileAttributesClass();
    return component;
}

std::string Component::gaps() const {
    std::string text;
    auto add = [&](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
    for (const auto& binding : interfaceList_) {
        if (!binding.found()) {
            add("interface " + binding.name);
            continue;
        }
        for (const auto& member : binding.report)
            if (member.how == Found::missing) add(binding.componentName + "." + member.wanted);
    }
    for (const auto& binding : eventList_) {
        if (!binding.found()) {
            add("event interface " + binding.name);
            continue;
        }
        for (const auto& member : binding.report)
            if (member.how == Found::missing) add(binding.name + "." + member.wanted);
    }
    for (const auto& constant : constantReport_)
        if (constant.constant.empty()) add("constant " + constant.wanted);
    if (IsEqualGUID(fileAttributesClass_, GUID{})) add(std::string("a class offering ") + kFileAttributesInterface);
    return text.empty() ? text : "The Heidenhain DNC component lacks " + text;
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
    for (const auto& binding : interfaceList_)
        if (binding.name == name) return binding;
    throw ComponentError("The adapter has no interface " + std::string(name) + " in its list");
}

const EventBinding& Component::eventsNamed(std::string_view name) const {
    for (const auto& binding : eventList_)
        if (binding.name == name) return binding;
    throw ComponentError("The adapter has no event interface " + std::string(name) + " in its list");
}

std::optional<LONG> Component::constant(std::string_view name) const {
    auto it = constants_.find(name);
    if (it != constants_.end()) return it->second;
    noteFailure("The Heidenhain DNC component has no constant " + std::string(name));
    return std::nullopt;
}

}  // namespace dnccom
