#pragma once
// The members of one interface of the type library, and the methods we call
// looked up among them: by name, by position or by their shape.
#include <oaidl.h>

#include <string>
#include <vector>

#include "dnccom/component.h"
#include "dnccom/component_names.h"

namespace dnccom {

struct Member {
    std::string name;
    INVOKEKIND kind = INVOKE_FUNC;
    SHORT vtableOffset = 0;
    Method method;
    std::vector<VARTYPE> rawTypes;  // each parameter's own type, for calls through the vtable
};

// The interface's members in declaration order, those of the interfaces it
// derives from first; IUnknown's and IDispatch's are left out.
std::vector<Member> membersOf(ITypeInfo* info);
Method methodOf(ITypeInfo* info, const FUNCDESC& desc);
// Whether the member takes our call: our shape's letters (i in, o out, a
// return value last) against its parameters, whose unfilled rest must be optional.
bool takes(const Method& method, const std::string& shape);
std::string shapeOf(const Method& method);

// Looks up every wanted method; each member is claimed once.
class MemberLookup {
public:
    explicit MemberLookup(std::vector<Member> members) : members_(std::move(members)) {}
    // Null when not found; `how` says how it was found.
    const Member* find(const RequiredMethod& wanted, const std::vector<RequiredMethod>& all, Found* how) const;
    const std::vector<Member>& members() const { return members_; }

private:
    const Member* byName(const RequiredMethod& wanted) const;
    std::vector<Member> members_;
};

}  // namespace dnccom
