#include "tests/unit/heidenhain/session_fixture.h"

#include <algorithm>

#include "agent/event_loop.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "tests/support/wait_for.h"

namespace heidenhain {

void SessionTest::SetUp() {
    dncsim::installSimulatedSdk();
    dncsim::Simulator::instance().reset();
    // Only the monitor's own tests run it: its cycles would compete with the calls others count.
    setTableMonitorAutostart(false);
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(workDir.path());
    agentThread = std::thread([] { nolt::EventLoop::instance().run(); });
}

void SessionTest::TearDown() {
    sessions.clear();
    auto& loop = nolt::EventLoop::instance();
    loop.stop();
    agentThread.join();
    loop.reset();
    dncsim::Simulator::instance().reset();
    std::filesystem::current_path(previousDir);
    SdkGuard::setSdkMutexTimeout(5);
    setTableMonitorAutostart(true);
}

DncShim& SessionTest::session(const std::string& name) {
    sessions.push_back(std::make_unique<DncShim>(name));
    return *sessions.back();
}

bool SessionTest::eventsHandled() {
    if (!dncsim::Simulator::instance().drainEvents()) return false;
    return std::all_of(sessions.begin(), sessions.end(),
                       [](const auto& shim) { return shim->context().events.settled(std::chrono::seconds(5)); });
}

std::size_t SessionTest::times(const std::string& function, const std::string& text) const {
    const auto all = texts();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), entry(function, text)));
}

bool SessionTest::loggedAs(int type, const std::string& function, const std::string& text) const {
    const auto wanted = entry(function, text);
    for (const auto& event : log.entriesOf(platform::kAgentEventSource)) {
        if (event.text == wanted) return event.type == type;
    }
    return false;
}

}  // namespace heidenhain
