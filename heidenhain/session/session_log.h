#pragma once
// The CNC code's event-log entries: "heidenhain::" + function + tab + text,
// ended by a line end, through reportAgentEvent.
#include <cstdint>
#include <string>

#include "platform/eventlog.h"

namespace heidenhain {

void logEntry(const std::string& function, const std::string& text, int type);

inline void logError(const std::string& function, const std::string& text) {
    logEntry(function, text, platform::EventError);
}
inline void logWarning(const std::string& function, const std::string& text) {
    logEntry(function, text, platform::EventWarning);
}
inline void logInformation(const std::string& function, const std::string& text) {
    logEntry(function, text, platform::EventInformation);
}

// A result code as the messages write it: lower-case hexadecimal of the
// unsigned 32-bit value, no leading zeros.
std::string hexCode(std::int32_t code);

}  // namespace heidenhain
