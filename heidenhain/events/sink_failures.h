#pragma once
// The failures that the event sinks swallow, so that nothing of them travels
// into the SDK's event thread, written to the event log.
#include <mutex>
#include <set>
#include <string>

namespace heidenhain {

class SinkFailures {
public:
    // Logs "<session>: <handler> Event produced error: <error>" for the first
    // failure of each handler only. A handler that fails on every event (a
    // client callback that always throws, a value that never converts) would
    // write an entry per event, for a data subscription several a second, and
    // bury the event log; the first entry already names the handler, the
    // session and the cause. Sinks are made anew for every connection, so
    // each connection reports its first failures again.
    void report(const std::string& handler, const std::string& session, const std::string& error);

private:
    std::mutex mutex_;
    std::set<std::string, std::less<>> reported_;
};

}  // namespace heidenhain
