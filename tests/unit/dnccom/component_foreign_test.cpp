// The foreign variant of the simulated component on its own, without the
// adapter: a client in the multithreaded apartment gets proxies to an
// apartment-threaded component, its hand-written sinks are called through
// the vtable, and late-bound calls may omit optional and defaulted arguments.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <vector>

#include "dncsimcom/names.h"
#include "dncsimcom/ref.h"
#include "heidenhain_dnc.h"
#include "tests/support/wait_for.h"
#include "tests/unit/dnccom/component_fixture.h"

namespace {

using dncsimcom::Ref;
using namespace std::chrono_literals;
using ToolIds = std::array<LONG, 3>;

bool isProxy(IUnknown* object) { return Ref<IUnknown>::shared(object).as<IMultiQI>(IID_IMultiQI).get() != nullptr; }

bool inMultithreadedApartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
}

// Arguments in declaration order for IDispatch::Invoke, freed afterwards.
struct Arguments {
    std::vector<VARIANT> values;
    ~Arguments() {
        for (auto& value : values) VariantClear(&value);
    }
    Arguments& text(const wchar_t* text) { return add(VT_BSTR, [&](VARIANT& v) { v.bstrVal = SysAllocString(text); }); }
    Arguments& nothing() { return add(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = nullptr; }); }
    template <class Set>
    Arguments& add(VARTYPE type, Set set) {
        values.insert(values.begin(), VARIANT{});  // Invoke takes the last argument first
        values.front().vt = type;
        set(values.front());
        return *this;
    }
};

HRESULT invoke(IUnknown* object, const wchar_t* name, Arguments& arguments, VARIANT* result) {
    const auto dispatch = Ref<IUnknown>::shared(object).as<IDispatch>();
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    if (HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
    DISPPARAMS parameters{arguments.values.data(), nullptr, static_cast<UINT>(arguments.values.size()), 0};
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result, nullptr, nullptr);
}

// Implements the three event interfaces through the vtable only: its
// IDispatch answers nothing, so an event that came by Invoke would not arrive.
class Sink final : public _IJHMachineEvents2, public _IJHAutomaticEvents3, public _IJHDataAccessEvents2 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == IID_IUnknown || iid == __uuidof(_IJHMachineEvents2)) *object = static_cast<_IJHMachineEvents2*>(this);
        if (iid == __uuidof(_IJHAutomaticEvents3)) *object = static_cast<_IJHAutomaticEvents3*>(this);
        if (iid == __uuidof(_IJHDataAccessEvents2)) *object = static_cast<_IJHDataAccessEvents2*>(this);
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE StateChanged(LONG state) override { return states.push(state), S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgramStatusChanged(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDncModeChanged(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnExecutionMessage(LONG, VARIANT, BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgramChanged(LONG, DATE, BSTR) override { return S_OK; }
    // Reads the tool ids back from the component while the event is under way.
    HRESULT STDMETHODCALLTYPE OnToolChanged(LONG, DNCSIM_TOOL_ID* out, DNCSIM_TOOL_ID* in, DATE) override {
        throughProxies = isProxy(out) && isProxy(in) && inMultithreadedApartment();
        tools.push({ids(out), ids(in)});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSingleBlockChanged(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnValueSampled(LONG, DNCSIM_DATA_ENTRY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnData2(LONG handle, DATE, LONG, DNCSIM_DATA_ENTRY_LIST* entries) override {
        LONG count = -1;
        entries->get_Count(&count);
        data.push({handle, count});
        return S_OK;
    }

    static ToolIds ids(DNCSIM_TOOL_ID* tool) {
        ToolIds read{-9, -9, -9};
        tool->DNCSIM_GET(DNCSIM_TOOL_NUMBER)(&read[0]);
        tool->DNCSIM_GET(DNCSIM_TOOL_SPARE)(&read[1]);
        tool->DNCSIM_GET(DNCSIM_TOOL_INDEX)(&read[2]);
        return read;
    }

    std::atomic<ULONG> references{1};
    std::atomic<bool> throughProxies{false};
    testsupport::EventQueue<LONG> states;
    testsupport::EventQueue<std::array<ToolIds, 2>> tools;
    testsupport::EventQueue<std::array<LONG, 2>> data;
};

template <class Events>
DWORD advise(IUnknown* source, Sink& sink) {
    Ref<IConnectionPoint> point;
    DWORD cookie = 0;
    const auto container = Ref<IUnknown>::shared(source).as<IConnectionPointContainer>();
    EXPECT_EQ(container->FindConnectionPoint(__uuidof(Events), point.slot()), S_OK);
    EXPECT_EQ(point->Advise(static_cast<Events*>(&sink), &cookie), S_OK);
    return cookie;
}

template <class Events>
void unadvise(IUnknown* source, DWORD cookie) {
    Ref<IConnectionPoint> point;
    Ref<IUnknown>::shared(source).as<IConnectionPointContainer>()->FindConnectionPoint(__uuidof(Events), point.slot());
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

template <class I>
Ref<I> interfaceOf(IJHMachine* machine, DNCSIM_INTERFACE_KIND kind) {
    Ref<IUnknown> object;
    EXPECT_EQ(machine->GetInterface(kind, object.slot()), S_OK);
    return object.as<I>();
}

class ForeignComponentTest : public dnccom::ComponentTest {};

TEST_F(ForeignComponentTest, ProxiesVtableEventsFromItsOwnApartmentAndOmittedArguments) {
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(joined)) << std::hex << joined;
    Sink sink;
    {
        Ref<IJHMachine> machine;
        ASSERT_EQ(CoCreateInstance(__uuidof(JHMachineInProcess), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IJHMachine),
                                   reinterpret_cast<void**>(machine.slot())),
                  S_OK);
        EXPECT_TRUE(isProxy(machine.get())) << "an apartment-threaded object lives in an apartment of its own";

        Ref<DNCSIM_CONNECTION_LIST> list;
        Ref<DNCSIM_CONNECTION> link;
        Ref<DNCSIM_CONNECTION_PROPERTY> host;
        Arguments name, hostName;
        name.text(L"z");
        hostName.text(L"z.test");
        ASSERT_EQ(machine->ListConnections(list.slot()), S_OK);
        ASSERT_EQ(list->NewConnection(10 /* TNC 6xx */, 1 /* LSV2 */, link.slot()), S_OK);
        EXPECT_EQ(link->put_name(name.values[0].bstrVal), S_OK);
        ASSERT_EQ(link->get_ConnectionProperty(DNC_CP_HOST, host.slot()), S_OK);
        EXPECT_EQ(host->put_value(hostName.values[0]), S_OK);
        EXPECT_EQ(list->AddConnection(link.get()), S_OK);
        EXPECT_EQ(invoke(machine.get(), L"Connect", name, nullptr), S_OK) << "the defaulted time-out omitted";

        const auto automatic = interfaceOf<IJHAutomatic>(machine.get(), DNC_INTERFACE_JHAUTOMATIC);
        const auto dataAccess = interfaceOf<IJHDataAccess>(machine.get(), DNC_INTERFACE_JHDATAACCESS);
        const DWORD cookies[] = {advise<_IJHMachineEvents2>(machine.get(), sink),
                                 advise<_IJHAutomaticEvents3>(automatic.get(), sink),
                                 advise<_IJHDataAccessEvents2>(dataAccess.get(), sink)};
        Ref<DNCSIM_DATA_ENTRY> entry;
        Arguments path;
        path.text(L"\\PLC\\memory\\M\\100");
        LONG handle = 0;
        ASSERT_EQ(dataAccess->GetDataEntry2(path.values[0].bstrVal, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_TRUE,
                                            entry.slot()),
                  S_OK);
        ASSERT_EQ(entry->Subscribe2(&handle), S_OK);

        ASSERT_TRUE(component().raiseMachineEvent("z.test", 6));
        EXPECT_EQ(sink.states.waitPop(5s), 6);
        ASSERT_TRUE(component().raiseToolChange("z.test", 1, 5, 45000.5));
        EXPECT_EQ(sink.tools.waitPop(5s), (std::array<ToolIds, 2>{ToolIds{1, -1, 0}, ToolIds{5, -1, 0}}));
        EXPECT_TRUE(sink.throughProxies) << "the sink runs in our apartment and reads the tool ids through proxies";
        ASSERT_TRUE(component().write("z.test", "\\PLC\\memory\\M\\100", "1"));
        EXPECT_EQ(sink.data.waitPop(5s), (std::array<LONG, 2>{handle, 1}));

        Arguments directory;
        directory.text(L"TNC:\\nc_prog").nothing().nothing();
        VARIANT entries;
        VariantInit(&entries);
        EXPECT_EQ(invoke(interfaceOf<IUnknown>(machine.get(), DNC_INTERFACE_JHFILESYSTEM).get(), L"ReadDirectory",
                         directory, &entries),
                  S_OK)
            << "the optional name pattern omitted";
        EXPECT_EQ(entries.vt, VT_DISPATCH);
        VariantClear(&entries);

        unadvise<_IJHMachineEvents2>(machine.get(), cookies[0]);
        unadvise<_IJHAutomaticEvents3>(automatic.get(), cookies[1]);
        unadvise<_IJHDataAccessEvents2>(dataAccess.get(), cookies[2]);
        EXPECT_EQ(machine->Disconnect(), S_OK);
    }
    EXPECT_TRUE(component().drainEvents());
    EXPECT_TRUE(testsupport::waitFor([&] { return sink.references == 1; }, 5s)) << "the component let go of the sink: " << sink.references;
    CoUninitialize();
}

}  // namespace
