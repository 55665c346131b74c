// The foreign variant's events: vtable interfaces (_IJHMachineEvents2 a
// custom one, the others dual), called through the vtable only, from the
// component's own single-threaded apartment. Advise marshals the sink's
// event interface to that apartment, which creates the objects that go with
// an event there and calls the method on its proxy. Like many components,
// detaching a sink does not wait for an event already on its way to it.
//
// The sink travels in a stream rather than through the global interface
// table: Wine 8 gives back nothing when a proxy leaves the table (the
// reference taken for its table-strong marshal stays), so a client's sink
// in another apartment would never be released.
#include <atomic>
#include <memory>

#include "dncsim/simulator.h"
#include "dncsimcom/convert.h"
#include "dncsimcom/event_apartment.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"
#include "dncsimcom/ref.h"

namespace dncsimcom {
namespace {

// A text argument for one call.
std::unique_ptr<OLECHAR, decltype(&SysFreeString)> bstrFor(const std::string& text) {
    return {bstrOf(text), &SysFreeString};
}

// A client's sink as its event interface Events, held by the event apartment.
template <class Events>
class RegisteredSink : public std::enable_shared_from_this<RegisteredSink<Events>> {
public:
    // Null when the sink lacks Events.
    static std::shared_ptr<RegisteredSink> of(IUnknown* sink) {
        const auto events = Ref<IUnknown>::shared(sink).as<Events>();
        IStream* stream = nullptr;
        if (!events || FAILED(CoMarshalInterThreadInterfaceInStream(__uuidof(Events), events.get(), &stream)))
            return nullptr;
        auto registered = std::make_shared<RegisteredSink>();
        EventApartment::instance().post([registered, stream] {
            CoGetInterfaceAndReleaseStream(stream, __uuidof(Events), reinterpret_cast<void**>(registered->sink_.slot()));
        });
        return registered;
    }

    // On the event apartment: `call` gets the sink's proxy there.
    template <class Call>
    void call(const Call& call) const {
        if (!detached_ && sink_) call(sink_.get());
    }

    // No call from now on; the event apartment lets go of the sink after
    // the events queued before.
    void detach() {
        detached_ = true;
        EventApartment::instance().post([self = this->shared_from_this()] { self->sink_ = Ref<Events>(); });
    }

private:
    Ref<Events> sink_;  // only touched on the event apartment
    std::atomic<bool> detached_{false};
};

// The simulator's sink for one client sink: each event goes to the event apartment.
template <class Events>
class VtableSink {
public:
    explicit VtableSink(std::shared_ptr<RegisteredSink<Events>> sink) : sink_(std::move(sink)) {}
    ~VtableSink() { sink_->detach(); }
    VtableSink(const VtableSink&) = delete;
    VtableSink& operator=(const VtableSink&) = delete;

protected:
    template <class Call>
    dnc::HRESULT raise(Call call) {
        EventApartment::instance().post([sink = sink_, call = std::move(call)] { sink->call(call); });
        return dnc::kOk;
    }

private:
    std::shared_ptr<RegisteredSink<Events>> sink_;
};

class MachineEvents final : public dnc::IJHMachineEvents2, VtableSink<_IJHMachineEvents2> {
public:
    using VtableSink::VtableSink;
    dnc::HRESULT OnStateChanged(std::int32_t stateEvent) override {
        return raise([=](_IJHMachineEvents2* sink) { sink->StateChanged(stateEvent); });
    }
};

class AutomaticEvents final : public dnc::IJHAutomaticEvents3, VtableSink<_IJHAutomaticEvents3> {
public:
    using VtableSink::VtableSink;
    dnc::HRESULT OnProgramStatusChanged(std::int32_t programEvent) override {
        return raise([=](_IJHAutomaticEvents3* sink) { sink->OnProgramStatusChanged(programEvent); });
    }
    dnc::HRESULT OnDncModeChanged(std::int32_t dncMode) override {
        return raise([=](_IJHAutomaticEvents3* sink) { sink->OnDncModeChanged(dncMode); });
    }
    dnc::HRESULT OnExecutionMessage(std::int32_t channel, const dnc::Variant& value, const std::string& message) override {
        return raise([=](_IJHAutomaticEvents3* sink) {
            const OwnedVariant argument(value);
            sink->OnExecutionMessage(channel, argument.get(), bstrFor(message).get());
        });
    }
    dnc::HRESULT OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) override {
        return raise([=](_IJHAutomaticEvents3* sink) {
            sink->OnProgramChanged(channel, timeStamp, bstrFor(programPath).get());
        });
    }
    dnc::HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                               std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) override {
        return raise([=](_IJHAutomaticEvents3* sink) {
            const Ref<DNCSIM_TOOL_ID> out(newToolId(toolOut));
            const Ref<DNCSIM_TOOL_ID> in(newToolId(toolIn));
            sink->OnToolChanged(channel, out.get(), in.get(), timeStamp);
        });
    }
};

class DataAccessEvents final : public dnc::IJHDataAccessEvents2, VtableSink<_IJHDataAccessEvents2> {
public:
    using VtableSink::VtableSink;
    dnc::HRESULT OnData2(std::int32_t handle, double timeStamp, std::shared_ptr<dnc::IJHDataEntryList> list) override {
        return raise([=, sequence = ++sequence_](_IJHDataAccessEvents2* sink) {
            const Ref<DNCSIM_DATA_ENTRY_LIST> entries(newDataEntryList(list));
            sink->OnData2(handle, timeStamp, sequence, entries.get());
        });
    }

private:
    std::atomic<LONG> sequence_{0};  // the foreign interface's extra argument
};

class ErrorEvents final : public dnc::IJHErrorEvents2, VtableSink<_IJHErrorEvents2> {
public:
    using VtableSink::VtableSink;
    dnc::HRESULT OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) override {
        return raise([=](_IJHErrorEvents2* sink) { sink->OnError2(Ref<DNCSIM_ERROR_ENTRY>(newErrorEntry(error)).get()); });
    }
    dnc::HRESULT OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) override {
        return raise([=](_IJHErrorEvents2* sink) {
            sink->OnErrorCleared2(Ref<DNCSIM_ERROR_ENTRY>(newErrorEntry(error)).get());
        });
    }
};

template <class Wrapper, class Events>
std::shared_ptr<Wrapper> registered(IUnknown* sink) {
    auto registration = RegisteredSink<Events>::of(sink);
    return registration ? std::make_shared<Wrapper>(std::move(registration)) : nullptr;
}

}  // namespace

std::shared_ptr<dnc::IJHMachineEvents2> machineEventsTo(IUnknown* sink) {
    return registered<MachineEvents, _IJHMachineEvents2>(sink);
}
std::shared_ptr<dnc::IJHAutomaticEvents3> automaticEventsTo(IUnknown* sink) {
    return registered<AutomaticEvents, _IJHAutomaticEvents3>(sink);
}
std::shared_ptr<dnc::IJHDataAccessEvents2> dataAccessEventsTo(IUnknown* sink) {
    return registered<DataAccessEvents, _IJHDataAccessEvents2>(sink);
}
std::shared_ptr<dnc::IJHErrorEvents2> errorEventsTo(IUnknown* sink) {
    return registered<ErrorEvents, _IJHErrorEvents2>(sink);
}

// Callers in another apartment get proxies; the objects live in the
// apartment that created them.
const wchar_t* threadingModel() { return L"Apartment"; }

bool drainEvents() {
    return dncsim::Simulator::instance().drainEvents() && EventApartment::instance().drain(std::chrono::seconds(5));
}

}  // namespace dncsimcom
