// Our variant's events: dispinterfaces, called through IDispatch::Invoke with
// each event's DISPID on the simulator's event thread. The classes are
// registered for both threading models, so that callers in the multithreaded
// apartment get the objects themselves, not proxies.
#include <algorithm>
#include <iterator>

#include "dncsim/simulator.h"
#include "dncsimcom/convert.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"
#include "dncsimcom/ref.h"

namespace dncsimcom {
namespace {

OwnedVariant number(std::int32_t value) { return OwnedVariant(dnc::Variant(value)); }
OwnedVariant date(double value) { return OwnedVariant(dnc::Variant::fromReal(dnc::VT_DATE, value)); }
OwnedVariant text(const std::string& value) { return OwnedVariant(dnc::Variant(value)); }

// A client's sink, called by DISPID.
class DispatchSink {
public:
    explicit DispatchSink(Ref<IDispatch> sink) : sink_(std::move(sink)) {}

protected:
    // The arguments in declaration order; they stay owned by the caller.
    template <class... Args>
    HRESULT fire(DISPID id, const Args&... args) {
        VARIANT passed[] = {args.get()...};  // IDispatch takes the last argument first
        std::reverse(std::begin(passed), std::end(passed));
        DISPPARAMS parameters{passed, nullptr, sizeof...(args), 0};
        return sink_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                             nullptr);
    }

private:
    Ref<IDispatch> sink_;
};

class MachineEvents final : public dnc::IJHMachineEvents2, DispatchSink {
public:
    using DispatchSink::DispatchSink;
    dnc::HRESULT OnStateChanged(std::int32_t stateEvent) override { return fire(1, number(stateEvent)); }
};

class AutomaticEvents final : public dnc::IJHAutomaticEvents3, DispatchSink {
public:
    using DispatchSink::DispatchSink;
    dnc::HRESULT OnProgramStatusChanged(std::int32_t programEvent) override { return fire(1, number(programEvent)); }
    dnc::HRESULT OnDncModeChanged(std::int32_t dncMode) override { return fire(2, number(dncMode)); }
    dnc::HRESULT OnExecutionMessage(std::int32_t channel, const dnc::Variant& value, const std::string& message) override {
        return fire(3, number(channel), OwnedVariant(value), text(message));
    }
    dnc::HRESULT OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) override {
        return fire(4, number(channel), date(timeStamp), text(programPath));
    }
    dnc::HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                               std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) override {
        return fire(5, number(channel), OwnedVariant::adopt(newToolId(std::move(toolOut))),
                    OwnedVariant::adopt(newToolId(std::move(toolIn))), date(timeStamp));
    }
};

class DataAccessEvents final : public dnc::IJHDataAccessEvents2, DispatchSink {
public:
    using DispatchSink::DispatchSink;
    dnc::HRESULT OnData2(std::int32_t handle, double timeStamp, std::shared_ptr<dnc::IJHDataEntryList> list) override {
        return fire(2, number(handle), date(timeStamp), OwnedVariant::adopt(newDataEntryList(std::move(list))));
    }
};

class ErrorEvents final : public dnc::IJHErrorEvents2, DispatchSink {
public:
    using DispatchSink::DispatchSink;
    dnc::HRESULT OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) override {
        return fire(3, OwnedVariant::adopt(newErrorEntry(std::move(error))));
    }
    dnc::HRESULT OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) override {
        return fire(4, OwnedVariant::adopt(newErrorEntry(std::move(error))));
    }
};

// The sink as the event dispinterface, or as any IDispatch.
template <class Wrapper, class Events>
std::shared_ptr<Wrapper> wrap(IUnknown* sink) {
    const auto shown = Ref<IUnknown>::shared(sink);
    Ref<IDispatch> dispatch = shown.as<IDispatch>(__uuidof(Events));
    if (!dispatch) dispatch = shown.as<IDispatch>();
    return dispatch ? std::make_shared<Wrapper>(std::move(dispatch)) : nullptr;
}

}  // namespace

std::shared_ptr<dnc::IJHMachineEvents2> machineEventsTo(IUnknown* sink) {
    return wrap<MachineEvents, _IJHMachineEvents2>(sink);
}
std::shared_ptr<dnc::IJHAutomaticEvents3> automaticEventsTo(IUnknown* sink) {
    return wrap<AutomaticEvents, _IJHAutomaticEvents3>(sink);
}
std::shared_ptr<dnc::IJHDataAccessEvents2> dataAccessEventsTo(IUnknown* sink) {
    return wrap<DataAccessEvents, _IJHDataAccessEvents2>(sink);
}
std::shared_ptr<dnc::IJHErrorEvents2> errorEventsTo(IUnknown* sink) {
    return wrap<ErrorEvents, _IJHErrorEvents2>(sink);
}

const wchar_t* threadingModel() { return L"Both"; }

bool drainEvents() { return dncsim::Simulator::instance().drainEvents(); }

}  // namespace dncsimcom
