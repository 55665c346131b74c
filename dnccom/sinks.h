#pragma once
// Our sinks behind the component's event interfaces: each event's arguments
// turned into ours and handed to the sink; the methods we do not handle
// answer E_NOTIMPL.
#include <memory>

#include "dnc/events.h"
#include "dnccom/event_sink.h"

namespace dnccom {

ComPtr<EventSink> machineEventSink(std::shared_ptr<dnc::IJHMachineEvents2> sink);
ComPtr<EventSink> automaticEventSink(std::shared_ptr<dnc::IJHAutomaticEvents3> sink);
ComPtr<EventSink> dataAccessEventSink(std::shared_ptr<dnc::IJHDataAccessEvents2> sink);
ComPtr<EventSink> errorEventSink(std::shared_ptr<dnc::IJHErrorEvents2> sink);

// The component's sources of these events.
inline constexpr const char* kMachineEvents = "_IJHMachineEvents2";
inline constexpr const char* kAutomaticEvents = "_IJHAutomaticEvents3";
inline constexpr const char* kDataAccessEvents = "_IJHDataAccessEvents2";
inline constexpr const char* kErrorEvents = "_IJHErrorEvents2";

}  // namespace dnccom
