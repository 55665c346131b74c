#pragma once
// The start step: runs the run step under the service control manager or in
// the foreground, as the registration of the program decides.
#include <functional>
#include <string>

namespace heidenhain {

inline constexpr const char* kServiceName = "heidenhain";

// The run step as the start step drives it: it calls waitForStop once the
// agent is up. As a service, waitForStop reports the state running and
// returns when the stop control arrives.
using ServiceRunStep = std::function<int(const std::function<void()>& waitForStop)>;

// Windows: the AppID registration decides. Without it the start returns the
// registry's error and runs nothing; with a "LocalService" value the run step
// runs as the service "heidenhain" (the result is the dispatcher's error, or
// the run step's when it ran); otherwise it runs in the foreground on this
// thread until foregroundWaitForStop returns. POSIX: always the foreground.
int startService(const ServiceRunStep& runStep, const std::function<void()>& foregroundWaitForStop);

// Hands the one-entry service table to the service control manager and
// returns when the service has stopped: the dispatcher's error when it could
// not connect (the process was not started by the service manager), else the
// run step's result. Windows only.
int dispatchService(const std::string& serviceName, const ServiceRunStep& runStep);

}  // namespace heidenhain
