#pragma once
// Records what the code under test writes to the event log, for assertions
// on exact texts. Installed for the lifetime of the object.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/eventlog.h"
#include "tests/support/wait_for.h"

namespace testsupport {

struct CapturedEvent {
    std::string source;
    int type = 0;
    std::string text;
    bool operator==(const CapturedEvent&) const = default;
};

class CapturingEventSink {
public:
    // Installs itself as the event sink; the destructor puts back the sink
    // that was installed before.
    CapturingEventSink();
    ~CapturingEventSink();
    CapturingEventSink(const CapturingEventSink&) = delete;
    CapturingEventSink& operator=(const CapturingEventSink&) = delete;

    std::vector<CapturedEvent> entries() const;
    std::vector<CapturedEvent> entriesOf(const std::string& source) const;
    std::vector<std::string> textsOf(const std::string& source) const;

    // An entry whose text is exactly this / contains this part.
    bool containsText(const std::string& text) const;
    bool containsTextPart(const std::string& part) const;

    // The first entry that matches, waiting up to the bound for it.
    std::optional<CapturedEvent> waitForEntry(const std::function<bool(const CapturedEvent&)>& matches,
                                              std::chrono::milliseconds bound) const;
    std::optional<CapturedEvent> waitForText(const std::string& text, std::chrono::milliseconds bound) const;

    void clear();

private:
    class Recorder;
    std::shared_ptr<Recorder> recorder_;
    std::shared_ptr<platform::EventSink> previous_;
};

}  // namespace testsupport
