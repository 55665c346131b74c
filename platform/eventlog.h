#pragma once
// The system event log. Two writers share it: the service's own messages
// (source "heidenhain") and the CNC code's messages (source
// "Orvane Heidenhain Agent"). Tests install a capturing sink.
#include <memory>
#include <string>

namespace platform {

enum EventType : int { EventError = 1, EventWarning = 2, EventInformation = 4 };

inline constexpr const char* kServiceEventSource = "heidenhain";
inline constexpr const char* kAgentEventSource = "Orvane Heidenhain Agent";

class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void write(const std::string& source, int type, const std::string& text) = 0;
};

// Writes one event through the installed sink (the system log by default).
void writeEvent(const std::string& source, int type, const std::string& text);

// Replaces the sink; nullptr restores the system log. Returns the previous one.
std::shared_ptr<EventSink> setEventSink(std::shared_ptr<EventSink> sink);

// The system log of this platform (syslog on POSIX).
std::shared_ptr<EventSink> systemEventSink();

}  // namespace platform

// The CNC code's event-log writer.
void reportAgentEvent(const std::string& text, int type);
