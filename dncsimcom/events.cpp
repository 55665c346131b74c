#include "dncsimcom/events.h"

#include <atomic>

#include "dncsimcom/ref.h"

namespace dncsimcom {
namespace {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events)
        : container_(Ref<IConnectionPointContainer>::shared(container)), host_(host), events_(events) {
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
        *container = Ref<IConnectionPointContainer>(container_).release();
        return S_OK;
    }
    // The variant decides which interface of the sink it calls.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr) return E_POINTER;
        *cookie = 0;
        return host_->adviseSink(sink, cookie);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return host_->unadviseSink(cookie); }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    std::atomic<ULONG> references_{1};
    Ref<IConnectionPointContainer> container_;
    EventHost* host_;  // the container itself
    const IID events_;
};

}  // namespace

IConnectionPoint* newConnectionPoint(IConnectionPointContainer* container, EventHost* host, const IID& events) {
    return new ConnectionPoint(container, host, events);
}

}  // namespace dncsimcom
