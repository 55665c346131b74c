// Construction, interface set-up, disconnect and destruction of a session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "agent/event_loop.h"
#include "dnc/factory.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "platform/process_exit.h"
#include "tests/support/fake_clock.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using testing::Contains;
using testing::StartsWith;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

nlohmann::json interfaces(bool value) {
    nlohmann::json all;
    for (const char* member : {"automaticEvents", "automaticInterface", "dataAccessEvents", "dataAccessInterface",
                               "errorEvents", "errorInterface", "fileSystemInterface", "itncTableInterface",
                               "machineEvents", "machineInterface"})
        all[member] = value;
    return all;
}

class LifecycleTest : public SessionTest {
protected:
    // The whole text of the first warning of interface set-up that starts so.
    std::string setUpWarning(const std::string& start) const {
        for (const auto& event : log.entriesOf(platform::kAgentEventSource))
            if (event.type == platform::EventWarning && event.text.starts_with("heidenhain::initializeInterfaces\t" + start))
                return event.text;
        return "";
    }
};

TEST_F(LifecycleTest, SessionThatNeverConnected) {
    auto& mill = session();
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces(), interfaces(false));
    EXPECT_EQ(mill.connection().getAgentVersion(), "4.0.3");
    mill.connection().disconnect();
    EXPECT_TRUE(texts().empty()) << "a disconnect of a disconnected session does nothing";
    static_assert(!std::is_copy_constructible_v<DncShim>);
}

TEST_F(LifecycleTest, ConnectTakesEveryInterfaceTheControlOffers) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect",
                         "mill connection established, machine state machine_is_available(7)"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "initializeInterfaces",
                         "mill tnc640 interfaces initialized: automaticEvents 1, automaticInterface 1, "
                         "dataAccessEvents 1, dataAccessInterface 1, errorEvents 1, errorInterface 1, "
                         "fileSystemInterface 1, itncTableInterface 0, machineEvents 1, machineInterface 1, "
                         "current state machine_is_available(7)"));
    auto expected = interfaces(true);
    expected["itncTableInterface"] = false;
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces(), expected);
    EXPECT_EQ(mill.connection().getVersion(), dncsim::Simulator::kVersion);
    EXPECT_TRUE(std::filesystem::is_directory("tmp"));

    session("old").connection().connect("b.test", "itnc530");
    EXPECT_TRUE(sessions.back()->interfaces().hasItncTableInterface());
    EXPECT_FALSE(log.containsTextPart("Error on creating")) << "an existing tmp directory is fine";
}

TEST_F(LifecycleTest, MissingInterfacesAndSinksAreWarnings) {
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHPROCESSDATA);
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHAUTOMATIC);
    sim().faults().failNext("Advise", 1, dnc::kFail);
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    EXPECT_NE(setUpWarning("mill: Cannot register MachineEvents listener (Call _machine.Advise(reinterpret_cast<"
                           "IUnknown*>(machineSink), HeidenhainDNCLib::IID__IJHMachineEvents2, &_machineEventCookie) "
                           "produced error (0x80004005): An unspecified failure has occurred (isConnected:1, "),
              "");
    EXPECT_NE(setUpWarning("mill: Interface DNC_INTERFACE_JHPROCESSDATA not available on machine (Call "
                           "_machine->GetInterface(DNC_INTERFACE_JHPROCESSDATA, &tmp) produced error (0x80004002): "),
              "");
    EXPECT_NE(setUpWarning("millInterface DNC_INTERFACE_JHAUTOMATIC is not available on machine (Call "), "");
    EXPECT_TRUE(mill.connection().isConnected());
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces()["machineEvents"], false);
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces()["machineInterface"], false);
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces()["dataAccessInterface"], true);
}

// Machine objects of the simulator whose GetInterface of DataAccess moves the
// test clock on by a set step.
class SlowDataAccessSdk final : public dnc::MachineFactory {
public:
    SlowDataAccessSdk(testsupport::FakeClock& clock, std::chrono::nanoseconds step) : clock_(clock), step_(step) {}
    dnc::HRESULT CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) override {
        std::shared_ptr<dnc::IJHMachine> real;
        const auto hr = sdk_.CreateMachine(&real);
        *machine = std::make_shared<Machine>(real, *this);
        return hr;
    }
    dnc::HRESULT CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* out) override {
        return sdk_.CreateFileAttributes(out);
    }
    dnc::HRESULT GetVersion(std::string* version) override { return sdk_.GetVersion(version); }

private:
    struct Machine final : dnc::IJHMachine {
        Machine(std::shared_ptr<dnc::IJHMachine> real, SlowDataAccessSdk& sdk) : real(std::move(real)), sdk(sdk) {}
        dnc::HRESULT ListConnections(std::shared_ptr<dnc::IJHConnectionList>* l) override { return real->ListConnections(l); }
        dnc::HRESULT Connect(const std::string& name) override { return real->Connect(name); }
        dnc::HRESULT Disconnect() override { return real->Disconnect(); }
        dnc::HRESULT GetState(std::int32_t* state) override { return real->GetState(state); }
        dnc::HRESULT GetVersionComInterface(std::string* v) override { return real->GetVersionComInterface(v); }
        dnc::HRESULT GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) override {
            if (kind == dnc::DNC_INTERFACE_JHDATAACCESS) sdk.clock_.advance(sdk.step_);
            return real->GetInterface(kind, object);
        }
        dnc::HRESULT Advise(std::shared_ptr<dnc::IJHMachineEvents2> s, std::uint32_t* c) override { return real->Advise(s, c); }
        dnc::HRESULT Unadvise(std::uint32_t cookie) override { return real->Unadvise(cookie); }
        std::shared_ptr<dnc::IJHMachine> real;
        SlowDataAccessSdk& sdk;
    };

    dncsim::SimulatedSdk sdk_;
    testsupport::FakeClock& clock_;
    std::chrono::nanoseconds step_;
};

TEST_F(LifecycleTest, DataAccessSlowerThan1600MillisecondsEndsTheProcess) {
    std::vector<int> exits;
    platform::setExitHandler([&](int code) { exits.push_back(code); });
    testsupport::FakeClock clock;
    dnc::setMachineFactory(std::make_shared<SlowDataAccessSdk>(clock, 1600ms));
    session("quick").connection().connect("a.test", "tnc640");
    EXPECT_TRUE(exits.empty());
    dnc::setMachineFactory(std::make_shared<SlowDataAccessSdk>(clock, 1601999999ns));
    session("slow").connection().connect("b.test", "tnc640");
    platform::setExitHandler({});
    EXPECT_EQ(exits, std::vector<int>{-1});
    EXPECT_TRUE(loggedAs(platform::EventWarning, "initializeInterfaces",
                         "slow GetInterface(DataAccess) takes unusually long, 1601 ms. This is a SDK error. We will "
                         "restart the agent now."));
}

TEST_F(LifecycleTest, TmpDirectoryThatCannotBeMadeIsAnErrorOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not let a working directory be removed";
#endif
    // mkdir fails with ENOENT in a working directory that was removed.
    const auto gone = workDir.path() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    std::filesystem::current_path(workDir.path());
    EXPECT_TRUE(loggedAs(platform::EventError, "initializeInterfaces", "mill: Error on creating \"tmp\" directory, code 2"));
    EXPECT_TRUE(mill.interfaces().hasFileSystemInterface());
}

TEST_F(LifecycleTest, DisconnectReleasesEverythingAndLogsSdkErrors) {
    auto& mill = session();
    int done = 0;
    mill.connection().onDisconnectDone([&](std::string text) { done += text.empty(); });
    auto cycle = [&] {
        mill.connection().connect("a.test", "tnc640");
        log.clear();
        mill.connection().disconnect();
        EXPECT_EQ(mill.interfaces().getAvailableInterfaces(), interfaces(false));
        return texts();
    };
    auto& faults = sim().faults();
    faults.failNext("Unadvise", 4, dnc::kFail);
    faults.failNext("Disconnect", 1, dnc::kNotOnLine);
    EXPECT_EQ(cycle(), (std::vector<std::string>{
                           entry("disconnect", "mill"),
                           entry("disconnect", "Error on Unadvise(IJHErrorEvent), code 0x80004005"),
                           entry("disconnect", "Error on Unadvise(IJHAutomaticEvent), code 0x80004005"),
                           entry("disconnect", "Error on Unadvise(IJHDataAccessEvent), code 0x80004005"),
                           entry("disconnect", "Error on Unadvise(IJHMachineEvent), code 0x80004005"),
                           entry("disconnect", "On Shutdown not all created interfaces have been released. See "
                                               "Windows application event log for details."),
                           entry("disconnect", "mill: CNC sucessfully disconnected")}));
    faults.failNext("Disconnect", 2, dnc::kNotOnLine);
    EXPECT_THAT(cycle(), Contains(entry("disconnect", "Error on _machine->Disconnect(), code 0x80040266")));
    faults.failNext("Disconnect", 1, dnc::kFail);
    EXPECT_THAT(cycle(), Contains(entry("disconnect", "Error on _machine->Disconnect(), code 0x80004005")));
    EXPECT_EQ(done, 3);
}

TEST_F(LifecycleTest, DestructionDisconnectsAndReportsWhenThatFails) {
    session("lathe").connection().connect("b.test", "tnc640");
    SdkGuard::setSdkMutexTimeout(1);
    auto& mill = session();
    // A state callback stuck in the SDK holds the lock that the disconnect needs.
    mill.connection().onStateChanged([&](std::string) { EXPECT_ANY_THROW(mill.connection().getState()); });
    mill.connection().connect("a.test", "tnc640");
    sim().faults().delay("GetState", 30s, 1);
    sim().raiseMachineEvent("a.test", dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 5s));
    const auto failedEntry = [](const testsupport::CapturedEvent& e) { return e.text.starts_with("heidenhain::~DncShim"); };
    auto releaser = std::async(std::launch::async, [&] {
        log.waitForEntry(failedEntry, 10s);
        sim().faults().releaseDelayed();
    });
    sessions.clear();
    releaser.get();
    EXPECT_TRUE(logged("disconnect", "lathe: CNC sucessfully disconnected"));
    const auto failed = log.waitForEntry(failedEntry, 0ms);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->type, platform::EventInformation);
    EXPECT_THAT(failed->text,
                StartsWith("heidenhain::~DncShim\tmill: Failed on disconnect during destruction, because: "
                           "Could not get SDK lock within 1 seconds for call _machine->Disconnect() "
                           "other=_machine->GetState(&state) ("));
}

TEST_F(LifecycleTest, ConnectAndDisconnectOfOneSessionTakeTurns) {
    auto& mill = session();
    mill.connection().connect("a.test", "tnc640");
    sim().loseLink("a.test");
    ASSERT_TRUE(testsupport::waitFor([&] { return !mill.connection().isConnected(); }, 5s));
    sim().restoreLink("a.test");
    // A new connect from the lost state is held inside the SDK ...
    sim().faults().delay("Connect", 30s, 1);
    auto connecting = std::async(std::launch::async, [&] { mill.connection().connect("a.test", "tnc640"); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("Connect", 5s));
    // ... while the client also disconnects: that waits for the connect
    // instead of releasing the machine object under it.
    auto disconnecting = std::async(std::launch::async, [&] { mill.connection().disconnect(); });
    sim().faults().releaseDelayed();
    connecting.get();
    disconnecting.get();
    EXPECT_FALSE(mill.connection().isConnected());
    EXPECT_TRUE(logged("disconnect", "mill: CNC sucessfully disconnected"));
    EXPECT_EQ(mill.interfaces().getAvailableInterfaces(), interfaces(false));
    mill.connection().connect("a.test", "tnc640");
    EXPECT_EQ(mill.connection().getState(), "machine_is_available");
}

}  // namespace
}  // namespace heidenhain
