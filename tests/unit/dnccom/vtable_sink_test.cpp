// Event interfaces that the component calls through the vtable: every
// argument reaches the handler whatever its type and place, and methods we
// do not handle answer E_NOTIMPL at their own positions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dnccom/component.h"
#include "dnccom/component_names.h"
#include "dnccom/event_sink.h"
#include "dnccom/text.h"

#include <windows.h>

#include "adapter_test_types.h"

namespace dnccom {
namespace {

ComPtr<ITypeInfo> eventType(const IID& iid) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const auto file = std::filesystem::path(path).parent_path() / NOLT_TYPE_LIBRARY;
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLibEx(file.c_str(), REGKIND_NONE, library.put()), S_OK);
    ComPtr<ITypeInfo> info;
    if (library) {
        EXPECT_EQ(library->GetTypeInfoOfGuid(iid, info.put()), S_OK);
    }
    return info;
}

// Each handled call as one line of its arguments.
std::string line(const std::string& name, const EventArgs& args) {
    std::string text = name;
    for (std::size_t i = 0; i < args.count(); ++i) {
        Var value = args.value(i);
        const VARIANT* v = value.get();
        text += " ";
        if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) text += v->punkVal ? "object" : "null";
        else if (v->vt == VT_CY) text += "cy" + std::to_string(v->cyVal.int64);
        else if (v->vt == VT_BOOL) text += v->boolVal ? "true" : "false";
        else if (v->vt == VT_DATE) text += "date" + std::to_string(v->date);
        else text += value.asText();
    }
    return text;
}

TEST(VtableSinkTest, DualAndCustomEventInterfacesDeliverEveryArgument) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::vector<std::string> calls;
    auto record = [&](const char* name) {
        return [&calls, name](const EventArgs& args) { return calls.push_back(line(name, args)), S_OK; };
    };

    const EventBinding dual = eventBinding(eventType(__uuidof(_IDualEvents)),
                                           {"_IDualEvents", "", {{"Mixed", ""}, {"Reals", ""}, {"Objects", ""}}});
    ASSERT_EQ(dual.kind, EventKind::dual);
    auto sink = EventSink::create(dual, {{"Mixed", record("Mixed")}, {"Reals", record("Reals")},
                                         {"Objects", record("Objects")}});
    ComPtr<_IDualEvents> events;
    ASSERT_EQ(ComPtr<IDispatch>::share(sink.get()).queryInterface(__uuidof(_IDualEvents), &events), S_OK);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = 2.5;
    BSTR text = toBstr("Fräs Ø6");
    EXPECT_EQ(events->Mixed(7, value, text), S_OK);
    EXPECT_EQ(events->Reals(45000.5, -3.5f, 0.25, 1.5f, text), S_OK);
    EXPECT_EQ(events->Objects(4, sink.get(), nullptr, 45001.0), S_OK);
    EXPECT_EQ(events->Unused(1), E_NOTIMPL);
    // The same handler through IDispatch, as a component may call a dual interface.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    DISPID mixed = DISPID_UNKNOWN;
    for (const auto& [id, name] : dual.methods)
        if (name == "Mixed") mixed = id;
    EXPECT_EQ(events->Invoke(mixed, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);

    const EventBinding custom =
        eventBinding(eventType(__uuidof(_ICustomEvents)), {"_ICustomEvents", "", {{"First", "", Lookup::position, 0}}});
    ASSERT_EQ(custom.kind, EventKind::custom);
    auto customSink = EventSink::create(custom, {{"First", record("First")}});
    ComPtr<_ICustomEvents> customEvents;
    ASSERT_EQ(ComPtr<IDispatch>::share(customSink.get()).queryInterface(__uuidof(_ICustomEvents), &customEvents), S_OK);
    CY money;
    money.int64 = 123456;
    EXPECT_EQ(customEvents->Only(-2, VARIANT_TRUE, money, 0.125, KindB, 99), S_OK);

    EXPECT_EQ(calls, (std::vector<std::string>{"Mixed 7 2.5 Fräs Ø6", "Reals date45000.500000 -3.5 0.25 1.5 Fräs Ø6",
                                               "Objects 4 object null date45001.000000", "Mixed", "First -2 true cy123456 0.125 2 99"}));
    SysFreeString(text);
    events.reset();
    customEvents.reset();
    sink->detach();
    customSink->detach();

    // Arguments we cannot read: the interface is refused, with the reason.
    const EventBinding records =
        eventBinding(eventType(__uuidof(_IRecordEvents)), {"_IRecordEvents", "", {{"Moved", ""}}});
    EXPECT_EQ(eventVtable(records), nullptr);
    EXPECT_EQ(vtableProblem(records), "Moved takes arguments that the agent cannot read");
    auto refusing = EventSink::create(records, {{"Moved", record("Moved")}});
    ComPtr<IUnknown> refused;
    EXPECT_EQ(ComPtr<IDispatch>::share(refusing.get()).queryInterface(__uuidof(_IRecordEvents), &refused),
              E_NOINTERFACE);
    refusing->detach();
}

}  // namespace
}  // namespace dnccom
