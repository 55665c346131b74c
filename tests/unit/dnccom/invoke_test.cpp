// Calls through IDispatch with the parameter shapes a component may declare:
// [in, out], defaulted and optional parameters that we leave out, a failing
// call's out values, and arrays of more than one dimension.
#include <gtest/gtest.h>

#include <filesystem>

#include "dnccom/component.h"
#include "dnccom/member_lookup.h"
#include "dnccom/object.h"
#include "dnccom/text.h"
#include "dnccom/type_info.h"

#include <windows.h>

#include "adapter_test_types.h"

namespace dnccom {
namespace {

// The component's side, served through the standard IDispatch of its type.
class CallShapes final : public ICallShapes {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override { return *object = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Twice(LONG* value) override { return given = *value, *value *= 2, S_OK; }
    HRESULT STDMETHODCALLTYPE Defaults(LONG first, LONG second, VARIANT third, BSTR* seen) override {
        const bool missing = third.vt == VT_ERROR && third.scode == DISP_E_PARAMNOTFOUND;
        *seen = toBstr(std::to_string(first) + " " + std::to_string(second) + (missing ? " missing" : " given"));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fails(BSTR*, VARIANT*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Grid(VARIANT* grid) override {
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
        grid->vt = VT_ARRAY | VT_I4;
        grid->parray = SafeArrayCreate(VT_I4, 2, bounds);
        return S_OK;
    }
    LONG given = -1;
};

ComPtr<ITypeInfo> callShapesType() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> info;
    if (SUCCEEDED(LoadTypeLibEx((std::filesystem::path(path).parent_path() / NOLT_TYPE_LIBRARY).c_str(), REGKIND_NONE,
                                library.put())))
        library->GetTypeInfoOfGuid(__uuidof(ICallShapes), info.put());
    return vtableView(info);
}

TEST(InvokeTest, ParameterShapesThatWeDoNotDeclareOurselves) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CallShapes object;
    const ComPtr<ITypeInfo> type = callShapesType();
    ASSERT_TRUE(type);
    ComPtr<IUnknown> standard;
    ASSERT_EQ(CreateStdDispatch(nullptr, &object, type.get(), standard.put()), S_OK);
    ComPtr<IDispatch> target;
    ASSERT_EQ(standard.queryInterface(IID_IDispatch, &target), S_OK);
    std::map<std::string, Method> methods;
    for (const auto& member : membersOf(dispatchView(type).get())) methods[member.name] = member.method;

    // [in, out] as our in value (the result is dropped) and as our out value (it starts at 0).
    EXPECT_TRUE(takes(methods["Twice"], "i") && takes(methods["Twice"], "o"));
    const Var seven = Var::i4(7);
    EXPECT_EQ(invoke(target.get(), methods["Twice"], {in(seven)}), S_OK);
    EXPECT_EQ(object.given, 7);
    Var doubled;
    EXPECT_EQ(invoke(target.get(), methods["Twice"], {out(doubled)}), S_OK);
    EXPECT_EQ(doubled.asI4(), 0);

    // Left out: the default value and the "missing" marker reach the component.
    EXPECT_TRUE(takes(methods["Defaults"], "io") && takes(methods["Defaults"], "iiio"));
    EXPECT_FALSE(takes(methods["Defaults"], "o"));
    const Var first = Var::i4(1);
    Var seen;
    EXPECT_EQ(invoke(target.get(), methods["Defaults"], {in(first), out(seen)}), S_OK);
    EXPECT_EQ(seen.asText(), "1 42 missing");
    const Var second = Var::i4(2);
    const Var third = Var::text("x");
    EXPECT_EQ(invoke(target.get(), methods["Defaults"], {in(first), in(second), in(third), out(seen)}), S_OK);
    EXPECT_EQ(seen.asText(), "1 2 given");
    // A constant the component lacks stops the call before it.
    EXPECT_EQ(invoke(target.get(), methods["Defaults"], {in(notBound()), out(seen)}), kNotBound);

    // A failure leaves our out values empty, safe to clear.
    Var text;
    Var value;
    EXPECT_EQ(invoke(target.get(), methods["Fails"], {out(text), out(value)}), E_FAIL);
    EXPECT_EQ(text.asText(), "");

    // Only lists: a grid is refused with a reason.
    Var grid;
    dnc::Variant list;
    EXPECT_EQ(assign(invoke(target.get(), methods["Grid"], {out(grid)}), grid, &list), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failureText(),
              "The Heidenhain DNC component returned an array of 2 dimensions where a list of one dimension was expected");
}

TEST(InvokeTest, PropertiesOfADispinterfaceCountAsGetsAndPuts) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(LoadTypeLibEx((std::filesystem::path(path).parent_path() / NOLT_TYPE_LIBRARY).c_str(), REGKIND_NONE,
                            library.put()),
              S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(__uuidof(DToolNumbers), info.put()), S_OK);
    MemberLookup lookup(membersOf(info.get()));
    const std::vector<RequiredMethod> wanted{{"get_a", "o", Lookup::position, 0},
                                             {"get_b", "o", Lookup::position, 1},
                                             {"put_number", "i"}, {"put_sister", "i"}};
    std::vector<std::string> found;
    for (const auto& method : wanted) {
        Found how = Found::missing;
        const Member* member = lookup.find(method, wanted, &how);
        found.push_back(member ? member->name + " " + foundHow(how) : "missing");
    }
    EXPECT_EQ(found, (std::vector<std::string>{"number by position", "sister by position", "number by name", "missing"}));
}

}  // namespace
}  // namespace dnccom
