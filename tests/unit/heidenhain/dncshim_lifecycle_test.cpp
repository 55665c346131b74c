// Construction, interface set-up, disconnect and destruction of a session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

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
using testing::HasSubstr;
using testing::StartsWith;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

nlohmann::json allInterfaces(bool value) {
    nlohmann::json all;
    for (const char* member : {"automaticEvents", "automaticInterface", "dataAccessEvents", "dataAccessInterface",
                               "errorEvents", "errorInterface", "fileSystemInterface", "itncTableInterface",
                               "machineEvents", "machineInterface"}) {
        all[member] = value;
    }
    return all;
}

class LifecycleTest : public SessionTest {};

TEST_F(LifecycleTest, SessionThatNeverConnected) {
    auto& mill = session();
    EXPECT_EQ(mill.getAvailableInterfaces(), allInterfaces(false));
    EXPECT_EQ(mill.getAgentVersion(), "4.0.3");
    EXPECT_FALSE(mill.isConnected());
    EXPECT_THAT([&] { mill.getState(); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Unexpected online call while disconnected: _machine->GetState(&state) (")));
    mill.disconnect();
    EXPECT_TRUE(texts().empty()) << "a disconnect of a disconnected session does nothing";

    DncShim copy(mill);
    EXPECT_EQ(copy.name(), "mill");
    EXPECT_EQ(log.entriesOf(platform::kAgentEventSource),
              (std::vector<testsupport::CapturedEvent>{{platform::kAgentEventSource, platform::EventError,
                                                        entry("DncShim", "mill copy constructor used but is forbidden")}}));
}

TEST_F(LifecycleTest, ConnectTakesEveryInterfaceTheControlOffers) {
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    EXPECT_TRUE(loggedAs(platform::EventInformation, "connect",
                         "mill connection established, machine state machine_is_available(7)"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "initializeInterfaces",
                         "mill tnc640 interfaces initialized: automaticEvents 0, automaticInterface 1, "
                         "dataAccessEvents 0, dataAccessInterface 1, errorEvents 0, errorInterface 1, "
                         "fileSystemInterface 1, itncTableInterface 0, machineEvents 1, machineInterface 1, "
                         "current state machine_is_available(7)"));
    auto expected = allInterfaces(true);
    expected["itncTableInterface"] = false;
    for (const char* sinkLater : {"automaticEvents", "dataAccessEvents", "errorEvents"}) expected[sinkLater] = false;
    EXPECT_EQ(mill.getAvailableInterfaces(), expected);
    EXPECT_EQ(mill.getVersion(), dncsim::Simulator::kVersion);
    EXPECT_EQ(mill.getState(), "machine_is_available");
    EXPECT_TRUE(std::filesystem::is_directory(workDir.path() / "tmp"));

    auto& old = session("old");
    old.connect("b.test", "itnc530");
    EXPECT_TRUE(old.hasItncTableInterface());
    EXPECT_FALSE(log.containsTextPart("Error on creating")) << "an existing tmp directory is fine";
}

TEST_F(LifecycleTest, MissingInterfacesAndSinksAreWarnings) {
    auto& faults = sim().faults();
    faults.withholdInterface(dnc::DNC_INTERFACE_JHPROCESSDATA);
    faults.withholdInterface(dnc::DNC_INTERFACE_JHAUTOMATIC);
    faults.withholdInterface(dnc::DNC_INTERFACE_TNCTABLE, dnc::kFail);
    faults.failNext("Advise", 1, dnc::kFail);
    auto& mill = session();
    mill.connect("a.test", "itnc530");

    const auto warning = [&](const std::string& text) {
        for (const auto& event : log.entriesOf(platform::kAgentEventSource)) {
            if (event.type == platform::EventWarning && event.text.starts_with("heidenhain::initializeInterfaces\t" + text))
                return event.text;
        }
        return std::string();
    };
    const auto fromSetUp = HasSubstr("dncshim_interfaces.cpp:");
    EXPECT_THAT(warning("mill: Cannot register MachineEvents listener (Call _machine.Advise(reinterpret_cast<IUnknown*>"
                        "(machineSink), HeidenhainDNCLib::IID__IJHMachineEvents2, &_machineEventCookie) produced error "
                        "(0x80004005): An unspecified failure has occurred (isConnected:1, "),
                fromSetUp);
    EXPECT_THAT(warning("mill: Interface DNC_INTERFACE_JHPROCESSDATA not available on machine (Call "
                        "_machine->GetInterface(DNC_INTERFACE_JHPROCESSDATA, &tmp) produced error (0x80004002): "),
                fromSetUp);
    EXPECT_THAT(warning("mill: Interface DNC_INTERFACE_TNCTABLE not available on machine (Call "
                        "_machine->GetInterface(DNC_INTERFACE_TNCTABLE, &tmp) produced error (0x80004005): "),
                fromSetUp);
    EXPECT_THAT(warning("millInterface DNC_INTERFACE_JHAUTOMATIC is not available on machine (Call "
                        "_machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp) produced error (0x80004002): "),
                fromSetUp);
    EXPECT_TRUE(mill.isConnected());
    EXPECT_FALSE(mill.hasMachineEvents());
    EXPECT_FALSE(mill.hasProcessDataInterface());
    EXPECT_FALSE(mill.hasAutomaticInterface());
    EXPECT_TRUE(mill.hasFileSystemInterface());
    EXPECT_TRUE(mill.hasDataAccessInterface());
}

// Machine objects whose GetInterface of DataAccess lets the test clock move on.
class SlowDataAccessSdk final : public dnc::MachineFactory {
public:
    SlowDataAccessSdk(testsupport::FakeClock& clock, std::chrono::nanoseconds step) : clock_(clock), step_(step) {}
    dnc::HRESULT CreateMachine(std::shared_ptr<dnc::IJHMachine>* machine) override {
        std::shared_ptr<dnc::IJHMachine> real;
        const auto hr = simulated_.CreateMachine(&real);
        if (dnc::succeeded(hr)) *machine = std::make_shared<Machine>(real, clock_, step_);
        return hr;
    }
    dnc::HRESULT CreateFileAttributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) override {
        return simulated_.CreateFileAttributes(attributes);
    }
    dnc::HRESULT GetVersion(std::string* version) override { return simulated_.GetVersion(version); }

private:
    class Machine final : public dnc::IJHMachine {
    public:
        Machine(std::shared_ptr<dnc::IJHMachine> real, testsupport::FakeClock& clock, std::chrono::nanoseconds step)
            : real_(std::move(real)), clock_(clock), step_(step) {}
        dnc::HRESULT ListConnections(std::shared_ptr<dnc::IJHConnectionList>* list) override {
            return real_->ListConnections(list);
        }
        dnc::HRESULT Connect(const std::string& name) override { return real_->Connect(name); }
        dnc::HRESULT Disconnect() override { return real_->Disconnect(); }
        dnc::HRESULT GetState(std::int32_t* state) override { return real_->GetState(state); }
        dnc::HRESULT GetVersionComInterface(std::string* version) override {
            return real_->GetVersionComInterface(version);
        }
        dnc::HRESULT GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) override {
            if (kind == dnc::DNC_INTERFACE_JHDATAACCESS) clock_.advance(step_);
            return real_->GetInterface(kind, object);
        }
        dnc::HRESULT Advise(std::shared_ptr<dnc::IJHMachineEvents2> sink, std::uint32_t* cookie) override {
            return real_->Advise(std::move(sink), cookie);
        }
        dnc::HRESULT Unadvise(std::uint32_t cookie) override { return real_->Unadvise(cookie); }

    private:
        std::shared_ptr<dnc::IJHMachine> real_;
        testsupport::FakeClock& clock_;
        std::chrono::nanoseconds step_;
    };

    dncsim::SimulatedSdk simulated_;
    testsupport::FakeClock& clock_;
    std::chrono::nanoseconds step_;
};

TEST_F(LifecycleTest, DataAccessSlowerThan1600MillisecondsEndsTheProcess) {
    std::vector<int> exits;
    platform::setExitHandler([&](int code) { exits.push_back(code); });
    testsupport::FakeClock clock;
    dnc::setMachineFactory(std::make_shared<SlowDataAccessSdk>(clock, 1600ms));
    session("quick").connect("a.test", "tnc640");
    EXPECT_TRUE(exits.empty());
    dnc::setMachineFactory(std::make_shared<SlowDataAccessSdk>(clock, 1601999999ns));
    session("slow").connect("b.test", "tnc640");
    platform::setExitHandler({});
    EXPECT_EQ(exits, std::vector<int>{-1});
    EXPECT_TRUE(loggedAs(platform::EventWarning, "initializeInterfaces",
                         "slow GetInterface(DataAccess) takes unusually long, 1601 ms. This is a SDK error. We will "
                         "restart the agent now."));
    EXPECT_FALSE(log.containsTextPart("heidenhain::initializeInterfaces\tquick GetInterface(DataAccess)"));
}

TEST_F(LifecycleTest, TmpDirectoryThatCannotBeMadeIsAnErrorOnly) {
    const auto gone = workDir.path() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    std::filesystem::current_path(workDir.path());
    EXPECT_TRUE(loggedAs(platform::EventError, "initializeInterfaces", "mill: Error on creating \"tmp\" directory, code 2"));
    EXPECT_TRUE(mill.hasFileSystemInterface());
}

TEST_F(LifecycleTest, DisconnectReleasesEverythingAndReportsSdkErrors) {
    auto& mill = session();
    std::vector<std::string> done;
    mill.onDisconnectDone([&](std::string text) { done.push_back(text); });
    mill.connect("a.test", "tnc640");
    log.clear();
    mill.disconnect();
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("disconnect", "mill"),
                                                 entry("disconnect", "mill: CNC sucessfully disconnected")}));
    EXPECT_EQ(mill.getAvailableInterfaces(), allInterfaces(false));
    EXPECT_EQ(done, std::vector<std::string>{""});
    EXPECT_FALSE(mill.isConnected());

    auto& faults = sim().faults();
    const auto cycle = [&] {
        mill.connect("a.test", "tnc640");
        log.clear();
        mill.disconnect();
        return texts();
    };
    faults.failNext("Unadvise", 1, dnc::kFail);
    faults.failNext("Disconnect", 1, dnc::kNotOnLine);
    EXPECT_EQ(cycle(), (std::vector<std::string>{
                           entry("disconnect", "mill"),
                           entry("disconnect", "Error on Unadvise(IJHMachineEvent), code 0x80004005"),
                           entry("disconnect", "On Shutdown not all created interfaces have been released. See "
                                               "Windows application event log for details."),
                           entry("disconnect", "mill: CNC sucessfully disconnected")}));
    faults.failNext("Disconnect", 2, dnc::kNotOnLine);
    EXPECT_THAT(cycle(), testing::Contains(entry("disconnect", "Error on _machine->Disconnect(), code 0x80040266")));
    faults.failNext("Disconnect", 1, dnc::kFail);
    EXPECT_THAT(cycle(), testing::Contains(entry("disconnect", "Error on _machine->Disconnect(), code 0x80004005")));
    EXPECT_EQ(done.size(), 4u);
}

TEST_F(LifecycleTest, DestructionDisconnects) {
    session().connect("a.test", "tnc640");
    sessions.clear();
    EXPECT_TRUE(logged("disconnect", "mill: CNC sucessfully disconnected"));
}

TEST_F(LifecycleTest, DestructionReportsADisconnectThatFailed) {
    SdkGuard::setSdkMutexTimeout(1);
    auto& mill = session();
    // A state callback stuck in the SDK holds the lock that the disconnect needs.
    mill.onStateChanged([&](std::string) {
        try {
            mill.getState();
        } catch (const std::exception&) {
        }
    });
    mill.connect("a.test", "tnc640");
    sim().faults().delay("GetState", 30s, 1);
    sim().raiseMachineEvent("a.test", dnc::DNC_EVT_STATE_MACHINE_AVAILABLE);
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", 5s));
    auto releaser = std::async(std::launch::async, [&] {
        log.waitForEntry([](const auto& event) { return event.text.starts_with("heidenhain::~DncShim"); }, 10s);
        sim().faults().releaseDelayed();
    });
    sessions.clear();
    releaser.get();
    const auto failed = log.waitForEntry([](const auto& event) { return event.text.starts_with("heidenhain::~DncShim"); }, 0ms);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->type, platform::EventInformation);
    EXPECT_THAT(failed->text, StartsWith("heidenhain::~DncShim\tmill: Failed on disconnect during destruction, because: "
                                         "Could not get SDK lock within 1 seconds for call AtlUnadvise(_machine, "
                                         "IID__IJHMachineEvents2) other=_machine->GetState(&state) ("));
}

TEST_F(LifecycleTest, MachineObjectHoldsOneWorkerOfTheEventLoop) {
    auto& loop = nolt::EventLoop::instance();
    std::thread agent([&] { loop.run(); });
    ASSERT_TRUE(testsupport::waitFor([&] { return loop.addedThreads() == 0; }, 5s));
    auto& mill = session();
    mill.connect("a.test", "tnc640");
    EXPECT_EQ(loop.addedThreads(), 1u);
    mill.disconnect();
    EXPECT_TRUE(testsupport::waitFor([&] { return loop.addedThreads() == 0; }, 5s));
    // A connect that fails gives its worker back as well.
    EXPECT_ANY_THROW(mill.connect("cnc.invalid", "tnc640"));
    EXPECT_TRUE(testsupport::waitFor([&] { return loop.addedThreads() == 0; }, 5s));
    loop.stop();
    agent.join();
    loop.reset();
}

}  // namespace
}  // namespace heidenhain
