#include "tests/support/capturing_event_sink.h"

namespace testsupport {

// The sink itself is shared with the event log, which may still hold it on
// another thread while the test object goes away.
class CapturingEventSink::Recorder : public platform::EventSink {
public:
    void write(const std::string& source, int type, const std::string& text) override {
        events.push(CapturedEvent{source, type, text});
    }
    EventQueue<CapturedEvent> events;
};

CapturingEventSink::CapturingEventSink()
    : recorder_(std::make_shared<Recorder>()), previous_(platform::setEventSink(recorder_)) {}

CapturingEventSink::~CapturingEventSink() { platform::setEventSink(previous_); }

std::vector<CapturedEvent> CapturingEventSink::entries() const { return recorder_->events.snapshot(); }

std::vector<CapturedEvent> CapturingEventSink::entriesOf(const std::string& source) const {
    std::vector<CapturedEvent> found;
    for (auto& event : entries()) {
        if (event.source == source) found.push_back(std::move(event));
    }
    return found;
}

std::vector<std::string> CapturingEventSink::textsOf(const std::string& source) const {
    std::vector<std::string> texts;
    for (auto& event : entriesOf(source)) texts.push_back(std::move(event.text));
    return texts;
}

bool CapturingEventSink::containsText(const std::string& text) const {
    return recorder_->events.contains([&](const CapturedEvent& event) { return event.text == text; });
}

bool CapturingEventSink::containsTextPart(const std::string& part) const {
    return recorder_->events.contains(
        [&](const CapturedEvent& event) { return event.text.find(part) != std::string::npos; });
}

std::optional<CapturedEvent> CapturingEventSink::waitForEntry(
    const std::function<bool(const CapturedEvent&)>& matches, std::chrono::milliseconds bound) const {
    return recorder_->events.waitFind(matches, bound);
}

std::optional<CapturedEvent> CapturingEventSink::waitForText(const std::string& text,
                                                             std::chrono::milliseconds bound) const {
    return waitForEntry([&](const CapturedEvent& event) { return event.text == text; }, bound);
}

void CapturingEventSink::clear() { recorder_->events.clear(); }

}  // namespace testsupport
