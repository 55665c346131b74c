#pragma once
// Connection points of the simulated component: an object with events is a
// container with one connection point for its event interface. How a sink is
// called is the variant's (events_ours.cpp: IDispatch::Invoke on the
// simulator's event thread; events_foreign.cpp: the vtable, from the
// component's own single-threaded apartment).
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <memory>

#include "dnc/dnc.h"
#include "dncsimcom/server_object.h"

namespace dncsimcom {

// The simulator's sink that calls the client's sink; null when the client's
// sink lacks the interface that the variant calls.
std::shared_ptr<dnc::IJHMachineEvents2> machineEventsTo(IUnknown* sink);
std::shared_ptr<dnc::IJHAutomaticEvents3> automaticEventsTo(IUnknown* sink);
std::shared_ptr<dnc::IJHDataAccessEvents2> dataAccessEventsTo(IUnknown* sink);
std::shared_ptr<dnc::IJHErrorEvents2> errorEventsTo(IUnknown* sink);
// The threading model under which the variant registers its classes.
const wchar_t* threadingModel();
// Waits until every event raised so far has been handed to its sinks; false
// when that takes too long.
bool drainEvents();

class EventHost {
public:
    virtual ~EventHost() = default;
    virtual HRESULT adviseSink(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT unadviseSink(DWORD cookie) = 0;
};

// A new connection point of the container for `events`; it holds a reference to the container.
IConnectionPoint* newConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events);

// Attaches a simulator's sink to a simulated object's events.
template <class Sink>
HRESULT adviseTo(dnc::EventSource<Sink>& source, std::shared_ptr<Sink> sink, DWORD* cookie) {
    if (!sink) return CONNECT_E_CANNOTCONNECT;
    std::uint32_t value = 0;
    const HRESULT hr = source.Advise(std::move(sink), &value);
    *cookie = value;
    return hr;
}

template <class Interface, class Events>
class EventServerObject : public ServerObject<Interface>, public IConnectionPointContainer, public EventHost {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return ServerObject<Interface>::QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ServerObject<Interface>::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ServerObject<Interface>::Release(); }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (point == nullptr) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(iid, __uuidof(Events))) return CONNECT_E_NOCONNECTION;
        *point = newConnectionPoint(this, this, __uuidof(Events));
        return S_OK;
    }

protected:
    bool queryOther(REFIID iid, void** object) override {
        if (!IsEqualIID(iid, IID_IConnectionPointContainer)) return false;
        *object = static_cast<IConnectionPointContainer*>(this);
        return true;
    }
};

}  // namespace dncsimcom
