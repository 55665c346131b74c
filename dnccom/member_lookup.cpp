#include "dnccom/member_lookup.h"

#include "dnccom/type_info.h"
#include "dnccom/var.h"

namespace dnccom {
namespace {

void collect(ITypeInfo* info, std::vector<Member>& out, int depth) {
    TypeAttr attr(info);
    if (!attr || depth > 8) return;
    // Bases first, so that positions count in declaration order.
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        HREFTYPE ref;
        ComPtr<ITypeInfo> base;
        if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, base.put())))
            collect(base.get(), out, depth + 1);
    }
    // A dispinterface may declare properties as such: a get, and a put unless read-only.
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* var = nullptr;
        if (FAILED(info->GetVarDesc(i, &var))) continue;
        if (var->varkind == VAR_DISPATCH) {
            Member get;
            get.name = memberName(info, var->memid);
            get.kind = INVOKE_PROPERTYGET;
            get.method.id = var->memid;
            get.method.member = get.name;
            get.method.flags = DISPATCH_PROPERTYGET;
            get.method.returns = true;
            get.method.returnType = interfaceOf(info, var->elemdescVar.tdesc);
            if (!(var->wVarFlags & VARFLAG_FREADONLY)) {
                Member put = get;
                put.kind = INVOKE_PROPERTYPUT;
                put.method.flags = DISPATCH_PROPERTYPUT;
                put.method.returns = false;
                put.method.params.push_back({variantType(info, var->elemdescVar.tdesc), true, false, false, {}, {}});
                out.push_back(std::move(get));
                out.push_back(std::move(put));
            } else {
                out.push_back(std::move(get));
            }
        }
        info->ReleaseVarDesc(var);
    }
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc desc(info, i);
        if (!desc) continue;
        Member member;
        member.name = memberName(info, desc->memid);
        if (isBaseMember(member.name)) continue;
        bool repeated = false;
        for (const auto& known : out) repeated = repeated || (known.name == member.name && known.kind == desc->invkind);
        if (repeated) continue;  // a dispatch view repeats what its interface declared
        member.kind = desc->invkind;
        member.vtableOffset = desc->oVft;
        member.method = methodOf(info, *desc);
        for (SHORT p = 0; p < desc->cParams; ++p) member.rawTypes.push_back(desc->lprgelemdescParam[p].tdesc.vt);
        out.push_back(std::move(member));
    }
}

bool kindOf(const std::string& callName, INVOKEKIND kind) {
    if (callName.starts_with("get_")) return kind == INVOKE_PROPERTYGET;
    if (callName.starts_with("put_")) return kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF;
    return kind == INVOKE_FUNC;
}

// Our call name to the component's member: get_X is the property get of X,
// put_X its put, anything else a method.
std::string bareName(const std::string& callName) {
    return callName.starts_with("get_") || callName.starts_with("put_") ? callName.substr(4) : callName;
}

}  // namespace

std::vector<Member> membersOf(ITypeInfo* info) {
    std::vector<Member> members;
    collect(info, members, 0);
    return members;
}

Method methodOf(ITypeInfo* info, const FUNCDESC& desc) {
    Method method;
    method.id = desc.memid;
    method.member = memberName(info, desc.memid);
    method.flags = desc.invkind == INVOKE_PROPERTYGET      ? DISPATCH_PROPERTYGET
                   : desc.invkind == INVOKE_PROPERTYPUT    ? DISPATCH_PROPERTYPUT
                   : desc.invkind == INVOKE_PROPERTYPUTREF ? DISPATCH_PROPERTYPUTREF
                                                           : DISPATCH_METHOD;
    for (SHORT i = 0; i < desc.cParams; ++i) {
        const ELEMDESC& element = desc.lprgelemdescParam[i];
        const USHORT flags = element.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FRETVAL) {
            method.returns = true;
            method.returnType = interfaceOf(info, element.tdesc);
            continue;
        }
        Param param;
        param.out = (flags & PARAMFLAG_FOUT) != 0;
        // A parameter that says neither is an in parameter.
        param.in = (flags & PARAMFLAG_FIN) != 0 || !param.out;
        param.vt = param.out ? outType(info, element.tdesc) : variantType(info, element.tdesc);
        param.interfaceType = interfaceOf(info, element.tdesc);
        // Optional as the library declares it; a VARIANT after optional ones is too.
        param.optional = (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0 ||
                         i >= desc.cParams - desc.cParamsOpt;
        if ((flags & PARAMFLAG_FHASDEFAULT) && element.paramdesc.pparamdescex)
            param.defaultValue = std::make_shared<const Var>(Var::copy(element.paramdesc.pparamdescex->varDefaultValue));
        method.params.push_back(std::move(param));
    }
    // The dispatch view of a dual interface shows the [retval] as its result.
    const VARTYPE result = desc.elemdescFunc.tdesc.vt;
    if (result != VT_VOID && result != VT_HRESULT) {
        method.returns = true;
        method.returnType = interfaceOf(info, desc.elemdescFunc.tdesc);
    }
    return method;
}

std::string shapeOf(const Method& method) {
    std::string shape;
    for (const auto& param : method.params) shape += param.in && param.out ? 'b' : param.out ? 'o' : 'i';
    if (method.returns) shape += 'o';
    return shape;
}

bool takes(const Method& method, const std::string& shape) {
    std::string ours = shape;
    if (method.returns) {
        if (ours.empty() || ours.back() != 'o') return false;
        ours.pop_back();
    }
    if (ours.size() > method.params.size()) return false;
    for (std::size_t i = 0; i < method.params.size(); ++i) {
        const Param& param = method.params[i];
        if (i >= ours.size()) {
            if (!param.optional) return false;
        } else if (ours[i] == 'i' ? !param.in : !param.out) {
            return false;
        }
    }
    return true;
}

const Member* MemberLookup::byName(const RequiredMethod& wanted) const {
    const std::string name = bareName(wanted.name);
    const Member* found = nullptr;
    for (const auto& member : members_) {
        if (member.name != name || !kindOf(wanted.name, member.kind)) continue;
        // A property with both: values go by put, not by reference.
        if (!found || member.kind == INVOKE_PROPERTYPUT) found = &member;
    }
    return found;
}

const Member* MemberLookup::find(const RequiredMethod& wanted, const std::vector<RequiredMethod>& all,
                                 Found* how) const {
    if (wanted.lookup == Lookup::position) {
        int seen = 0;
        for (const auto& member : members_) {
            if (!kindOf(wanted.name, member.kind)) continue;
            if (seen++ == wanted.position) return *how = Found::byPosition, &member;
        }
        return nullptr;
    }
    if (const Member* found = byName(wanted)) return *how = Found::byName, found;
    if (wanted.lookup != Lookup::shape) return nullptr;
    // Another version may name it otherwise: the only member of its kind and
    // shape that no other wanted method claims by name.
    const Member* only = nullptr;
    for (const auto& member : members_) {
        if (!kindOf(wanted.name, member.kind) || !takes(member.method, wanted.shape)) continue;
        bool claimed = false;
        for (const auto& other : all) claimed = claimed || (&other != &wanted && byName(other) == &member);
        if (claimed) continue;
        if (only) return nullptr;  // more than one: nothing is certain
        only = &member;
    }
    if (only) *how = Found::byShape;
    return only;
}

}  // namespace dnccom
