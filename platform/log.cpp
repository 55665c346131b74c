#include "platform/log.h"

#include <atomic>
#include <iostream>
#include <mutex>

#include "platform/eventlog.h"

namespace platform {
namespace {

std::atomic<bool> serviceMode{true};

// As a service, warnings and errors also go to the event log; 0: not there.
int eventTypeOf(Severity severity, bool inService) {
    if (!inService || severity == Severity::Information) return 0;
    return severity == Severity::Error ? EventError : EventWarning;
}

std::mutex consoleMutex;

}  // namespace

void log(const LogLine& line) {
    const bool output = line.severity == Severity::Information || line.severity == Severity::Notice;
    std::ostream& stream = output ? std::cout : std::cerr;
    {
        // One write per line, so that lines of two threads do not interleave.
        std::lock_guard<std::mutex> lock(consoleMutex);
        stream << (line.endLine ? line.text + "\n" : line.text) << std::flush;
    }
    const int type = eventTypeOf(line.severity, isServiceMode());
    if (type == 0 || line.eventLogged) return;
    // A line that completes a progress text starts with its line end.
    const auto start = line.text.find_first_not_of('\n');
    if (start != std::string::npos) reportAgentEvent(line.text.substr(start), type);
}

bool isServiceMode() { return serviceMode.load(); }

void setServiceMode(bool value) { serviceMode.store(value); }

}  // namespace platform
