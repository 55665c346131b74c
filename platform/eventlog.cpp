#include "platform/eventlog.h"

#include <atomic>
#include <mutex>

namespace platform {
namespace {
std::mutex sinkMutex;
std::shared_ptr<EventSink>& installedSink() {
    static std::shared_ptr<EventSink> sink;
    return sink;
}
}  // namespace

void writeEvent(const std::string& source, int type, const std::string& text) {
    std::shared_ptr<EventSink> sink;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink = installedSink();
    }
    if (!sink) sink = systemEventSink();
    sink->write(source, type, text);
}

std::shared_ptr<EventSink> setEventSink(std::shared_ptr<EventSink> sink) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    auto previous = installedSink();
    installedSink() = std::move(sink);
    return previous;
}

}  // namespace platform

void reportAgentEvent(const std::string& text, int type) {
    platform::writeEvent(platform::kAgentEventSource, type, text);
}
