#include <syslog.h>

#include <mutex>

#include "platform/eventlog.h"

namespace platform {
namespace {

int syslogPriority(int type) {
    switch (type) {
        case EventError: return LOG_ERR;
        case EventWarning: return LOG_WARNING;
        default: return LOG_INFO;
    }
}

class SyslogSink : public EventSink {
public:
    void write(const std::string& source, int type, const std::string& text) override {
        // openlog keeps the ident pointer, so the source must stay alive while
        // it is in use; one lock covers open, write and close.
        std::lock_guard<std::mutex> lock(mutex_);
        ident_ = source;
        openlog(ident_.c_str(), LOG_PID, LOG_USER);
        syslog(syslogPriority(type), "%s", text.c_str());
        closelog();
    }

private:
    std::mutex mutex_;
    std::string ident_;
};

}  // namespace

std::shared_ptr<EventSink> systemEventSink() {
    static auto sink = std::make_shared<SyslogSink>();
    return sink;
}

}  // namespace platform
