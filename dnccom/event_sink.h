#pragma once
// Our side of a connection point: an object that the component calls for
// each event, through IDispatch or, for a dual or custom event interface,
// through the vtable, forwarding to a handler of ours. Methods without a
// handler answer E_NOTIMPL; once detached, every event is dropped. A
// handler that throws answers E_FAIL; the first failure of each event is
// written to the event log.
#include <oaidl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dnccom/com_ptr.h"
#include "dnccom/component.h"
#include "dnccom/var.h"
#include "dnccom/vtable_sink.h"

namespace dnccom {

// The arguments of one event in declaration order.
class EventArgs {
public:
    explicit EventArgs(const DISPPARAMS* parameters) : parameters_(parameters) {}
    std::size_t count() const { return parameters_ ? parameters_->cArgs : 0; }
    // A copy of argument i (by-reference values read through); VT_EMPTY past the end.
    Var value(std::size_t i) const;
    LONG i4(std::size_t i) const { return value(i).asI4(); }
    double real(std::size_t i) const;
    std::string text(std::size_t i) const { return value(i).asText(); }

private:
    const DISPPARAMS* parameters_;
};

class EventSink final : public IDispatch, private VtableTarget {
public:
    using Handler = std::function<HRESULT(const EventArgs&)>;

    // Handlers by the method names of the event interface.
    static ComPtr<EventSink> create(const EventBinding& events, const std::map<std::string, Handler>& handlers);

    // No handler runs after this has returned (one running on another thread
    // is waited for); the handlers and what they hold are released.
    void detach();

    // Sink objects alive in the process.
    static long alive();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    EventSink(const EventBinding& events, std::map<DISPID, Handler> handlers);
    IDispatch* dispatch() override { return this; }
    HRESULT event(DISPID id, DISPPARAMS* parameters) override;
    ~EventSink();

    std::atomic<ULONG> references_{1};
    const IID events_;
    const EventKind kind_;
    const std::string eventsName_;
    const std::map<DISPID, std::string> methodNames_;
    VtableFace face_;  // the event interface itself, when called through the vtable
    std::mutex mutex_;
    std::condition_variable idle_;
    std::map<DISPID, Handler> handlers_;
    bool attached_ = true;
    std::vector<std::thread::id> running_;  // threads inside a handler
    std::set<DISPID> failed_;  // events whose handler failed and was logged
};

// Attaches and detaches a sink at the connection point of `events` of the
// component object `source`.
HRESULT adviseEvents(IUnknown* source, const IID& events, IUnknown* sink, DWORD* cookie);
HRESULT unadviseEvents(IUnknown* source, const IID& events, DWORD cookie);

// The sinks attached to one component object, by cookie.
class AttachedSinks {
public:
    HRESULT advise(IUnknown* source, const char* eventsName, ComPtr<EventSink> sink, std::uint32_t* cookie);
    // Detaches at the component, then drops whatever event still comes.
    HRESULT unadvise(IUnknown* source, const char* eventsName, std::uint32_t cookie);
    ~AttachedSinks();

private:
    std::mutex mutex_;
    std::map<std::uint32_t, ComPtr<EventSink>> sinks_;
};

}  // namespace dnccom
