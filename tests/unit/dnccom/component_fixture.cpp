#include "tests/unit/dnccom/component_fixture.h"

#include "agent/event_loop.h"
#include "dnc/factory.h"
#include "dnccom/event_sink.h"
#include "dnccom/factory.h"
#include "heidenhain/tables/monitor_schedule.h"
#include "tests/support/wait_for.h"

// After asio, which wants winsock2.h before windows.h.
#include <windows.h>

namespace dnccom {
namespace {

std::filesystem::path besideExecutable(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path() / name;
}

}  // namespace

SimulatedComponent& SimulatedComponent::instance() {
    static SimulatedComponent component;
    return component;
}

SimulatedComponent::SimulatedComponent()
    : module_(LoadLibraryW(besideExecutable(L"" NOLT_SIMULATED_COMPONENT).c_str())) {
    if (module_ == nullptr) throw std::runtime_error(NOLT_SIMULATED_COMPONENT " not found beside the test executable");
    registerServer();
}

template <class F>
F* SimulatedComponent::function(const char* name) {
    // Through void*, as GetProcAddress's own type is a placeholder.
    auto* found = reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name)));
    if (found == nullptr) throw std::runtime_error(std::string(NOLT_SIMULATED_COMPONENT " lacks ") + name);
    return found;
}

// What regsvr32 does, in this process.
void SimulatedComponent::registerServer() { ASSERT_EQ(function<HRESULT()>("DllRegisterServer")(), S_OK); }
void SimulatedComponent::unregisterServer() { ASSERT_EQ(function<HRESULT()>("DllUnregisterServer")(), S_OK); }
void SimulatedComponent::reset() { function<void()>("DncSimComReset")(); }
long SimulatedComponent::aliveObjects() { return function<long()>("DncSimComAliveObjects")(); }
bool SimulatedComponent::drainEvents() { return function<int()>("DncSimComDrainEvents")() != 0; }

bool SimulatedComponent::raiseMachineEvent(const std::string& host, int stateEvent) {
    return function<int(const char*, int)>("DncSimComRaiseMachineEvent")(host.c_str(), stateEvent) != 0;
}

void SimulatedComponent::loseLink(const std::string& host) { function<void(const char*)>("DncSimComLoseLink")(host.c_str()); }

void SimulatedComponent::restoreLink(const std::string& host) {
    function<void(const char*)>("DncSimComRestoreLink")(host.c_str());
}

bool SimulatedComponent::raiseError(const std::string& host, const std::string& text, bool cleared) {
    using Raise = int(const char*, const char*, const char*, const char*, const char*, int);
    return function<Raise>("DncSimComRaiseError")(host.c_str(), text.c_str(), "PLC", "EMERGENCY", "4711",
                                                  cleared ? 1 : 0) != 0;
}

bool SimulatedComponent::raiseToolChange(const std::string& host, int toolOut, int toolIn, double timeStamp) {
    using Raise = int(const char*, int, int, double);
    return function<Raise>("DncSimComRaiseToolChange")(host.c_str(), toolOut, toolIn, timeStamp) != 0;
}

bool SimulatedComponent::write(const std::string& host, const std::string& path, const std::string& text) {
    return function<int(const char*, const char*, const char*)>("DncSimComWrite")(host.c_str(), path.c_str(),
                                                                                  text.c_str()) == 0;
}

std::string SimulatedComponent::read(const std::string& host, const std::string& path) {
    char buffer[512];
    const int length =
        function<int(const char*, const char*, char*, int)>("DncSimComRead")(host.c_str(), path.c_str(), buffer, 512);
    return length < 0 ? "<none>" : std::string(buffer);
}

void ComponentTest::SetUp() {
    component().reset();
    installComSdk();
    heidenhain::setTableMonitorAutostart(false);
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(workDir.path());
    agentThread = std::thread([] { nolt::EventLoop::instance().run(); });
}

void ComponentTest::TearDown() {
    sessions.clear();
    auto& loop = nolt::EventLoop::instance();
    loop.stop();
    agentThread.join();
    loop.reset();
    EXPECT_TRUE(component().drainEvents());
    EXPECT_EQ(component().aliveObjects(), 0) << "every reference to the component's objects released";
    EXPECT_EQ(EventSink::alive(), 0) << "every event sink released by the component and by us";
    component().reset();
    std::filesystem::current_path(previousDir);
    dnc::setMachineFactory(nullptr);
    heidenhain::setTableMonitorAutostart(true);
}

heidenhain::DncShim& ComponentTest::session(const std::string& name) {
    sessions.push_back(std::make_unique<heidenhain::DncShim>(name));
    return *sessions.back();
}

}  // namespace dnccom
