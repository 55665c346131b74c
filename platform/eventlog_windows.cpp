#include <windows.h>

#include "platform/eventlog.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

WORD eventLogType(int type) {
    switch (type) {
        case EventError: return EVENTLOG_ERROR_TYPE;
        case EventWarning: return EVENTLOG_WARNING_TYPE;
        default: return EVENTLOG_INFORMATION_TYPE;
    }
}

// One event per call: register the source, report, deregister. Category 0,
// event id 0, no user, the text as the only insertion string (none for an
// empty text), no binary data. When the source cannot be registered the
// event is dropped: there is nowhere else to report it.
class WindowsEventLogSink : public EventSink {
public:
    void write(const std::string& source, int type, const std::string& text) override {
        HANDLE log = RegisterEventSourceW(nullptr, toWide(source).c_str());
        if (!log) return;
        const std::wstring wide = toWide(text);
        LPCWSTR strings[] = {wide.c_str()};
        ReportEventW(log, eventLogType(type), 0, 0, nullptr, text.empty() ? 0 : 1, 0,
                     text.empty() ? nullptr : strings, nullptr);
        DeregisterEventSource(log);
    }
};

}  // namespace

std::shared_ptr<EventSink> systemEventSink() {
    static auto sink = std::make_shared<WindowsEventLogSink>();
    return sink;
}

}  // namespace platform
