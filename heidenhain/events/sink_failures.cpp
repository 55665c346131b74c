#include "heidenhain/events/sink_failures.h"

#include "heidenhain/session/session_log.h"

namespace heidenhain {

void SinkFailures::report(const std::string& handler, const std::string& session, const std::string& error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!reported_.insert(handler).second) return;
    }
    logInformation(handler, session + ": " + handler + " Event produced error: " + error);
}

}  // namespace heidenhain
