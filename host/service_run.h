#pragma once
// Running the agent once the command line is accepted: the run step with
// its start message, and the stop control.
#include <functional>
#include <string>

#include "host/service.h"

namespace heidenhain {

inline constexpr const char* kAgentVersion = "4.0.3";

struct RunSeams {
    // The installed CNC SDK's version text; throws when there is none.
    std::function<std::string()> sdkVersion;
    // Returns when the stop control arrives.
    std::function<void()> waitForStop;
};

// Foreground start: clears the service-mode flag and runs the run step.
int startForeground(HeidenhainService& service, const RunSeams& seams);

// Starts the agent thread and reports the versions; then waits for the stop
// control, stops the agent, joins its thread and deletes every instance of
// the registry (the sessions disconnect). 0 on success, 1 when the start
// failed.
int runStep(HeidenhainService& service, const RunSeams& seams);

}  // namespace heidenhain
