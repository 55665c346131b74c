#pragma once
// Sessions against the simulated controller, with the event log captured, the
// working directory moved into a private one (connect makes "tmp" there) and
// the agent's event loop running, so that the worker a session adds is also
// taken back and joined.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "heidenhain/session/dncshim.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/temp_dir.h"

namespace heidenhain {

class SessionTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A session that the fixture destroys before the simulator is reset.
    DncShim& session(const std::string& name = "mill");
    // The SDK events raised so far have been handled and the client events
    // they raised handed to the callbacks, those of every session's queue.
    bool eventsHandled();

    // An event-log line of the CNC code, as the session writes it.
    static std::string entry(const std::string& function, const std::string& text) {
        return "heidenhain::" + function + "\t" + text + "\n";
    }
    std::vector<std::string> texts() const { return log.textsOf(platform::kAgentEventSource); }
    // The entries without those of the event sinks ("heidenhain::On..."),
    // which the SDK's event threads write whenever the events arrive.
    std::vector<std::string> functionTexts() const {
        std::vector<std::string> written;
        for (auto& text : texts())
            if (!text.starts_with("heidenhain::On")) written.push_back(std::move(text));
        return written;
    }
    bool logged(const std::string& function, const std::string& text) const {
        return log.containsText(entry(function, text));
    }
    // How often exactly this entry was written.
    std::size_t times(const std::string& function, const std::string& text) const;
    bool loggedAs(int type, const std::string& function, const std::string& text) const;

    testsupport::CapturingEventSink log;
    testsupport::TempDir workDir{"dncshim-test"};
    std::filesystem::path previousDir;
    std::thread agentThread;
    std::vector<std::unique_ptr<DncShim>> sessions;
};

}  // namespace heidenhain
