#include "dncsimcom/events.h"

#include <algorithm>
#include <atomic>

namespace dncsimcom {
namespace {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events)
        : container_(ComPtr<IConnectionPointContainer>::share(container)), host_(host), events_(events) {
        objectCreated();
    }
    ~ConnectionPoint() { objectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) return E_NOINTERFACE;
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr) return E_POINTER;
        *iid = events_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (container == nullptr) return E_POINTER;
        *container = ComPtr<IConnectionPointContainer>(container_).detach();
        return S_OK;
    }
    // The sink is asked for the event interface first, as a client of events expects.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr) return E_POINTER;
        ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(dispatch.put()))) &&
            FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()))))
            return CONNECT_E_CANNOTCONNECT;
        return host_->adviseSink(std::move(dispatch), cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return host_->unadviseSink(cookie); }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    std::atomic<ULONG> references_{1};
    ComPtr<IConnectionPointContainer> container_;
    EventHost* host_;  // the container itself
    const IID events_;
};

}  // namespace

IConnectionPoint* newConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events) {
    return new ConnectionPoint(container, host, events);
}

HRESULT fireArgs(IDispatch* sink, DISPID id, const VARIANT* const* args, std::size_t count) {
    // IDispatch takes the last argument first; the values stay owned by the caller.
    std::vector<VARIANT> passed;
    for (std::size_t i = count; i > 0; --i) passed.push_back(*args[i - 1]);
    DISPPARAMS parameters{passed.data(), nullptr, static_cast<UINT>(passed.size()), 0};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
}

}  // namespace dncsimcom
