#pragma once
// Sessions on the registered simulated component (the DLL beside the test
// executable), through the COM adapter. Every test ends with the component's
// objects and our event sinks all released. The same tests run against both
// variants of the component (dncsimcom/CMakeLists.txt): the build names the
// DLL in NOLT_SIMULATED_COMPONENT and what its variant lacks.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "heidenhain/session/dncshim.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/temp_dir.h"

namespace dnccom {

// The controls behind the component, driven through the DLL's test exports.
class SimulatedComponent {
public:
    // Loaded and registered once per process.
    static SimulatedComponent& instance();
    // The foreign variant offers no CopyFile.
    static constexpr bool kHasCopyFile =
#ifdef NOLT_COMPONENT_LACKS_COPYFILE
        false;
#else
        true;
#endif

    void registerServer();
    void unregisterServer();
    void reset();
    long aliveObjects();
    bool drainEvents();
    bool raiseMachineEvent(const std::string& host, int stateEvent);
    void loseLink(const std::string& host);
    void restoreLink(const std::string& host);
    bool raiseError(const std::string& host, const std::string& text, bool cleared);
    bool raiseToolChange(const std::string& host, int toolOut, int toolIn, double timeStamp);
    // The control changes a stored value itself.
    bool write(const std::string& host, const std::string& path, const std::string& text);
    std::string read(const std::string& host, const std::string& path);

private:
    SimulatedComponent();
    template <class F>
    F* function(const char* name);
    void* module_;
};

class ComponentTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    heidenhain::DncShim& session(const std::string& name = "mill");
    static SimulatedComponent& component() { return SimulatedComponent::instance(); }
    bool logged(const std::string& part) const { return log.containsTextPart(part); }

    testsupport::CapturingEventSink log;
    testsupport::TempDir workDir{"dnccom-test"};
    std::filesystem::path previousDir;
    std::thread agentThread;
    std::vector<std::unique_ptr<heidenhain::DncShim>> sessions;
};

}  // namespace dnccom
