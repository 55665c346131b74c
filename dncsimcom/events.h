#pragma once
// Connection points of the simulated component: an object with events is a
// container with one connection point, whose sinks are IDispatch objects
// that it calls with the event's DISPID.
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "dnccom/com_ptr.h"
#include "dnccom/var.h"
#include "dncsimcom/server_object.h"

namespace dncsimcom {

using dnccom::ComPtr;
using dnccom::Var;

// Calls the sink's method with the arguments in declaration order.
HRESULT fireArgs(IDispatch* sink, DISPID id, const VARIANT* const* args, std::size_t count);
template <class... Vars>
HRESULT fire(IDispatch* sink, DISPID id, const Vars&... args) {
    const VARIANT* list[] = {args.get()...};
    return fireArgs(sink, id, list, sizeof...(args));
}

class EventHost {
public:
    virtual ~EventHost() = default;
    virtual HRESULT adviseSink(ComPtr<IDispatch> sink, DWORD* cookie) = 0;
    virtual HRESULT unadviseSink(DWORD cookie) = 0;
};

// A new connection point of the container for `events`; it holds a reference to the container.
IConnectionPoint* newConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events);

// Attaches a COM sink to a simulated object's events, wrapped as `Events`.
template <class Events, class Target>
HRESULT adviseWrapped(Target& target, ComPtr<IDispatch> sink, DWORD* cookie) {
    std::uint32_t value = 0;
    const HRESULT hr = target.Advise(std::make_shared<Events>(std::move(sink)), &value);
    *cookie = value;
    return hr;
}

template <class Interface>
class EventServerObject : public ServerObject<Interface>, public IConnectionPointContainer, public EventHost {
public:
    EventServerObject(const IID& iid, const IID& events) : ServerObject<Interface>(iid), events_(events) {}

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
        if (!IsEqualIID(iid, events_)) return CONNECT_E_NOCONNECTION;
        *point = newConnectionPoint(this, this, events_);
        return S_OK;
    }

protected:
    bool queryOther(REFIID iid, void** object) override {
        if (!IsEqualIID(iid, IID_IConnectionPointContainer)) return false;
        *object = static_cast<IConnectionPointContainer*>(this);
        return true;
    }

private:
    const IID events_;
};

}  // namespace dncsimcom
