#include "host/service_mode.h"
#include "host/service_start.h"

namespace heidenhain {

// No service manager here: the agent always runs in the foreground.
int startService(const ServiceRunStep& runStep, const std::function<void()>& foregroundWaitForStop) {
    setServiceMode(false);
    return runStep(foregroundWaitForStop);
}

}  // namespace heidenhain
