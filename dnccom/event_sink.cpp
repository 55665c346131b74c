#include "dnccom/event_sink.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <exception>
#include <optional>

#include "dnccom/apartment.h"
#include "platform/eventlog.h"

namespace dnccom {
namespace {
std::atomic<long> aliveSinks{0};
}  // namespace

Var EventArgs::value(std::size_t i) const {
    if (i >= count()) return Var();
    // IDispatch passes the last argument first.
    const VARIANT& given = parameters_->rgvarg[count() - 1 - i];
    Var copy;
    if (FAILED(VariantCopyInd(copy.get(), const_cast<VARIANT*>(&given)))) return Var();
    return copy;
}

double EventArgs::real(std::size_t i) const {
    Var given = value(i);
    Var real;
    return SUCCEEDED(VariantChangeType(real.get(), given.get(), 0, VT_R8)) ? real.get()->dblVal : 0.0;
}

ComPtr<EventSink> EventSink::create(const EventBinding& events, const std::map<std::string, Handler>& handlers) {
    std::map<DISPID, Handler> byId;
    for (const auto& [id, name] : events.methods) {
        auto it = handlers.find(name);
        if (it != handlers.end()) byId.emplace(id, it->second);
    }
    return ComPtr<EventSink>::attach(new EventSink(events, std::move(byId)));
}

EventSink::EventSink(const EventBinding& events, std::map<DISPID, Handler> handlers)
    : events_(events.iid),
      kind_(events.kind),
      eventsName_(events.name),
      methodNames_(events.methods),
      face_{eventVtable(events), this},
      handlers_(std::move(handlers)) {
    ++aliveSinks;
}

EventSink::~EventSink() { --aliveSinks; }

long EventSink::alive() { return aliveSinks.load(); }

void EventSink::detach() {
    std::map<DISPID, Handler> released;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        attached_ = false;
        // A handler that detaches its own sink must not wait for itself.
        const auto self = std::this_thread::get_id();
        idle_.wait(lock, [&] { return std::all_of(running_.begin(), running_.end(), [&](auto id) { return id == self; }); });
        released.swap(handlers_);
    }
}

HRESULT EventSink::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, events_) && face_.vtable) {
        *object = &face_;
        AddRef();
        return S_OK;
    }
    // An interface called through a vtable we could not build: refused, or
    // its first event would call past the end of IDispatch's vtable.
    if (IsEqualIID(iid, events_) && kind_ != EventKind::dispatch) return *object = nullptr, E_NOINTERFACE;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, events_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG EventSink::AddRef() { return ++references_; }

ULONG EventSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*) {
    if (result) VariantInit(result);
    return event(id, parameters);
}

// Runs on the component's event thread, which is left in its apartment.
HRESULT EventSink::event(DISPID id, DISPPARAMS* parameters) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!attached_) return S_OK;  // an event after unadvise: dropped
        auto it = handlers_.find(id);
        if (it == handlers_.end()) return E_NOTIMPL;
        handler = it->second;
        running_.push_back(std::this_thread::get_id());
    }
    HRESULT hr = E_FAIL;
    std::optional<std::string> failure;
    // Nothing may leave towards the component; a sink that fails on every
    // event of a running machine must not flood the log either.
    try {
        hr = handler(EventArgs(parameters));
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "an exception of an unknown type";
    }
    handler = nullptr;
    bool firstFailure = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_.erase(std::find(running_.begin(), running_.end(), std::this_thread::get_id()));
        idle_.notify_all();
        if (failure) firstFailure = failed_.insert(id).second;
    }
    if (firstFailure) {
        const auto name = methodNames_.find(id);
        reportAgentEvent("dnccom::EventSink::event\tThe handler of " +
                             (name != methodNames_.end() ? name->second : std::to_string(id)) + " of the " +
                             eventsName_ + " sink failed: " + *failure +
                             " (further failures of this event in this sink are not logged)\n",
                         platform::EventError);
    }
    return hr;
}

namespace {

HRESULT connectionPoint(IUnknown* source, const IID& events, ComPtr<IConnectionPoint>* point) {
    if (source == nullptr) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()));
    if (FAILED(hr)) return hr;
    return container->FindConnectionPoint(events, point->put());
}

}  // namespace

HRESULT adviseEvents(IUnknown* source, const IID& events, IUnknown* sink, DWORD* cookie) {
    if (const HRESULT joined = joinMultithreadedApartment(); FAILED(joined)) return joined;
    ComPtr<IConnectionPoint> point;
    const HRESULT hr = connectionPoint(source, events, &point);
    return FAILED(hr) ? hr : point->Advise(sink, cookie);
}

HRESULT unadviseEvents(IUnknown* source, const IID& events, DWORD cookie) {
    if (const HRESULT joined = joinMultithreadedApartment(); FAILED(joined)) return joined;
    ComPtr<IConnectionPoint> point;
    const HRESULT hr = connectionPoint(source, events, &point);
    return FAILED(hr) ? hr : point->Unadvise(cookie);
}

HRESULT AttachedSinks::advise(IUnknown* source, const char* eventsName, ComPtr<EventSink> sink,
                              std::uint32_t* cookie) {
    if (cookie == nullptr || !sink) return E_POINTER;
    const EventBinding& events = Component::instance().eventsNamed(eventsName);
    if (!events.found() || (events.kind != EventKind::dispatch && eventVtable(events) == nullptr)) {
        sink->detach();
        noteFailure(events.found() ? std::string("The agent cannot take the events of ") + eventsName +
                                         " through their vtable: " + vtableProblem(events)
                                   : std::string("The Heidenhain DNC component has no event interface ") + eventsName);
        return kNotBound;
    }
    DWORD attached = 0;
    const HRESULT hr = adviseEvents(source, Component::instance().eventsNamed(eventsName).iid,
                                    static_cast<IDispatch*>(sink.get()), &attached);
    if (FAILED(hr)) {
        sink->detach();
        return hr;
    }
    *cookie = attached;
    std::lock_guard<std::mutex> lock(mutex_);
    sinks_[attached] = std::move(sink);
    return hr;
}

HRESULT AttachedSinks::unadvise(IUnknown* source, const char* eventsName, std::uint32_t cookie) {
    const HRESULT hr = unadviseEvents(source, Component::instance().eventsNamed(eventsName).iid, cookie);
    ComPtr<EventSink> sink;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sinks_.find(cookie);
        if (it == sinks_.end()) return FAILED(hr) ? hr : CONNECT_E_NOCONNECTION;
        sink = std::move(it->second);
        sinks_.erase(it);
    }
    // COM does not promise that no event is under way or still comes.
    sink->detach();
    return hr;
}

AttachedSinks::~AttachedSinks() {
    for (auto& [cookie, sink] : sinks_) sink->detach();
}

}  // namespace dnccom
