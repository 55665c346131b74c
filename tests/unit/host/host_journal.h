#pragma once
// Records, in one ordered list, what the host code writes to the event log
// and which commands it hands to the command processor (none is run), for the
// lifetime of the object. The service-mode flag is set as given and restored
// afterwards.
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/service_mode.h"
#include "platform/command_runner.h"
#include "tests/support/capturing_event_sink.h"

namespace heidenhain::hosttest {

class HostJournal {
public:
    explicit HostJournal(bool serviceMode = true) : savedServiceMode_(isServiceMode()) {
        setServiceMode(serviceMode);
        platform::setCommandRunner([this](const std::string& command) {
            const std::size_t eventsBefore = events_.entries().size();
            std::lock_guard<std::mutex> lock(mutex_);
            commands_.emplace_back(eventsBefore, command);
            return 0;
        });
    }

    ~HostJournal() {
        platform::setCommandRunner({});
        setServiceMode(savedServiceMode_);
    }

    HostJournal(const HostJournal&) = delete;
    HostJournal& operator=(const HostJournal&) = delete;

    // Events read "<source>/<type>: <text>", commands "run: <command>".
    std::vector<std::string> entries() const {
        const auto events = events_.entries();
        std::vector<std::string> merged;
        std::size_t written = 0;
        const auto writeEventsUpTo = [&](std::size_t count) {
            for (; written < count && written < events.size(); ++written) {
                const auto& event = events[written];
                merged.push_back(event.source + "/" + std::to_string(event.type) + ": " + event.text);
            }
        };
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [eventsBefore, command] : commands_) {
            writeEventsUpTo(eventsBefore);
            merged.push_back("run: " + command);
        }
        writeEventsUpTo(events.size());
        return merged;
    }

    std::vector<std::string> commands() const { return withPrefix("run: "); }
    std::vector<std::string> serviceEvents() const { return withPrefix("heidenhain/4: "); }

private:
    std::vector<std::string> withPrefix(const std::string& prefix) const {
        std::vector<std::string> result;
        for (const auto& entry : entries()) {
            if (entry.rfind(prefix, 0) == 0) result.push_back(entry.substr(prefix.size()));
        }
        return result;
    }

    bool savedServiceMode_;
    testsupport::CapturingEventSink events_;
    mutable std::mutex mutex_;
    std::vector<std::pair<std::size_t, std::string>> commands_;
};

}  // namespace heidenhain::hosttest
