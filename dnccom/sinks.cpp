#include "dnccom/sinks.h"

#include "dnccom/automatic.h"
#include "dnccom/data_access.h"
#include "dnccom/error.h"

namespace dnccom {
namespace {

// Argument i as our wrapper of the component object it holds (null when it holds none).
template <class Adapter, class Interface>
std::shared_ptr<Interface> objectArgument(const EventArgs& args, std::size_t i) {
    Var value = args.value(i);
    std::shared_ptr<Interface> object;
    if (FAILED(assignObject<Adapter>(S_OK, value, &object))) object.reset();
    return object;
}

const EventBinding& events(const char* name) { return Component::instance().eventsNamed(name); }

}  // namespace

ComPtr<EventSink> machineEventSink(std::shared_ptr<dnc::IJHMachineEvents2> sink) {
    return EventSink::create(events(kMachineEvents),
                             {{"OnStateChanged", [sink](const EventArgs& args) { return sink->OnStateChanged(args.i4(0)); }}});
}

ComPtr<EventSink> automaticEventSink(std::shared_ptr<dnc::IJHAutomaticEvents3> sink) {
    return EventSink::create(
        events(kAutomaticEvents),
        {
            {"OnProgramStatusChanged",
             [sink](const EventArgs& args) { return sink->OnProgramStatusChanged(args.i4(0)); }},
            {"OnDncModeChanged", [sink](const EventArgs& args) { return sink->OnDncModeChanged(args.i4(0)); }},
            {"OnExecutionMessage",
             [sink](const EventArgs& args) {
                 return sink->OnExecutionMessage(args.i4(0), args.value(1).toDnc(), args.text(2));
             }},
            {"OnProgramChanged",
             [sink](const EventArgs& args) { return sink->OnProgramChanged(args.i4(0), args.real(1), args.text(2)); }},
            {"OnToolChanged",
             [sink](const EventArgs& args) {
                 return sink->OnToolChanged(args.i4(0), objectArgument<ComToolId, dnc::IJHToolId>(args, 1),
                                            objectArgument<ComToolId, dnc::IJHToolId>(args, 2), args.real(3));
             }},
        });
}

ComPtr<EventSink> dataAccessEventSink(std::shared_ptr<dnc::IJHDataAccessEvents2> sink) {
    return EventSink::create(events(kDataAccessEvents),
                             {{"OnData2", [sink](const EventArgs& args) {
                                   // Only the handle and, last, the list have a fixed place.
                                   const std::size_t last = args.count() ? args.count() - 1 : 0;
                                   return sink->OnData2(args.i4(0), args.count() > 2 ? args.real(1) : 0.0,
                                                        objectArgument<ComDataEntryList, dnc::IJHDataEntryList>(args, last));
                               }}});
}

ComPtr<EventSink> errorEventSink(std::shared_ptr<dnc::IJHErrorEvents2> sink) {
    return EventSink::create(
        events(kErrorEvents),
        {
            {"OnError2",
             [sink](const EventArgs& args) {
                 return sink->OnError2(objectArgument<ComErrorEntry, dnc::IJHErrorEntry>(args, 0));
             }},
            {"OnErrorCleared2",
             [sink](const EventArgs& args) {
                 return sink->OnErrorCleared2(objectArgument<ComErrorEntry, dnc::IJHErrorEntry>(args, 0));
             }},
        });
}

}  // namespace dnccom
