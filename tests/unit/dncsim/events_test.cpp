// Machine state events: delivery on the simulator's event thread, Advise and
// Unadvise, and the lost link.
#include <atomic>
#include <future>

#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

class EventsTest : public SimulatorTest {
protected:
    std::uint32_t advise(const std::shared_ptr<IJHMachine>& machine, std::shared_ptr<IJHMachineEvents2> sink) {
        std::uint32_t cookie = 0;
        EXPECT_EQ(machine->Advise(std::move(sink), &cookie), kOk);
        EXPECT_NE(cookie, 0u);
        return cookie;
    }
};

TEST_F(EventsTest, ArriveOnTheEventThreadNotTheCallersThread) {
    auto machine = connectedMachine("cnc");
    auto sink = std::make_shared<RecordingMachineSink>();
    advise(machine, sink);
    EXPECT_TRUE(sim().raiseMachineEvent("cnc", DNC_EVT_STATE_MACHINE_BOOTED));
    EXPECT_TRUE(sim().raiseMachineEvent("cnc", DNC_EVT_STATE_MACHINE_AVAILABLE));
    ASSERT_TRUE(sink->waitForCount(2));
    EXPECT_EQ(sink->events(), (std::vector<std::int32_t>{4, 6}));
    for (auto id : sink->threads()) EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_FALSE(sim().raiseMachineEvent("unknown-host", 1));
}

TEST_F(EventsTest, OnlyMachinesConnectedToTheHostHearIt) {
    auto here = connectedMachine("here");
    auto there = connectedMachine("there");
    auto hereSink = std::make_shared<RecordingMachineSink>();
    auto thereSink = std::make_shared<RecordingMachineSink>();
    advise(here, hereSink);
    advise(there, thereSink);
    sim().raiseMachineEvent("there", DNC_EVT_STATE_DNC_STOPPED);
    ASSERT_TRUE(thereSink->waitForCount(1));
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_TRUE(hereSink->events().empty());

    ASSERT_EQ(there->Disconnect(), kOk);
    sim().raiseMachineEvent("there", DNC_EVT_STATE_HOST_STOPPED);
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(thereSink->events().size(), 1u);
}

TEST_F(EventsTest, NoEventsAfterUnadvise) {
    auto machine = connectedMachine("cnc");
    auto gone = std::make_shared<RecordingMachineSink>();
    auto staying = std::make_shared<RecordingMachineSink>();
    const auto goneCookie = advise(machine, gone);
    const auto stayingCookie = advise(machine, staying);
    EXPECT_NE(goneCookie, stayingCookie);
    sim().raiseMachineEvent("cnc", 1);
    ASSERT_TRUE(gone->waitForCount(1));

    ASSERT_EQ(machine->Unadvise(goneCookie), kOk);
    sim().raiseMachineEvent("cnc", 2);
    ASSERT_TRUE(staying->waitForCount(2));
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(gone->events(), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(machine->Unadvise(goneCookie), code(0x80040200));
    std::uint32_t cookie = 0;
    EXPECT_EQ(machine->Advise(nullptr, &cookie), kPointer);
}

// Blocks in its handler until released, and notes whether Unadvise had
// already returned while it was still running.
class BlockingSink : public IJHMachineEvents2 {
public:
    HRESULT OnStateChanged(std::int32_t) override {
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, kBound, [&] { return released; });
        unadviseReturnedDuringHandler = unadviseReturned.load();
        return kOk;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    bool unadviseReturnedDuringHandler = false;
    std::atomic<bool> unadviseReturned{false};
};

TEST_F(EventsTest, UnadviseWaitsForADeliveryUnderWay) {
    auto machine = connectedMachine("cnc");
    auto sink = std::make_shared<BlockingSink>();
    const auto cookie = advise(machine, sink);
    sim().raiseMachineEvent("cnc", 1);
    {
        std::unique_lock<std::mutex> lock(sink->mutex);
        ASSERT_TRUE(sink->changed.wait_for(lock, kBound, [&] { return sink->entered; }));
    }
    auto unadvise = std::async(std::launch::async, [&] {
        const auto hr = machine->Unadvise(cookie);
        sink->unadviseReturned = true;
        return hr;
    });
    {
        std::lock_guard<std::mutex> lock(sink->mutex);
        sink->released = true;
        sink->changed.notify_all();
    }
    ASSERT_EQ(unadvise.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(unadvise.get(), kOk);
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_FALSE(sink->unadviseReturnedDuringHandler);
}

// Detaches itself from inside its handler, as a session that disconnects on
// a shutdown event may do.
class SelfDetachingSink : public RecordingMachineSink {
public:
    HRESULT OnStateChanged(std::int32_t stateEvent) override {
        unadviseResult = machine->Unadvise(cookie);
        return RecordingMachineSink::OnStateChanged(stateEvent);
    }
    std::shared_ptr<IJHMachine> machine;
    std::uint32_t cookie = 0;
    HRESULT unadviseResult = kFail;
};

TEST_F(EventsTest, SinkMayUnadviseFromItsOwnHandler) {
    auto machine = connectedMachine("cnc");
    auto sink = std::make_shared<SelfDetachingSink>();
    sink->machine = machine;
    sink->cookie = advise(machine, sink);
    sim().raiseMachineEvent("cnc", DNC_EVT_STATE_MACHINE_SHUTTING_DOWN);
    ASSERT_TRUE(sink->waitForCount(1));
    ASSERT_TRUE(sim().drainEvents());
    EXPECT_EQ(sink->unadviseResult, kOk);
    sink->machine.reset();
}

TEST_F(EventsTest, LostLinkSendsConnectionLostAndFailsEveryCallUntilRestored) {
    auto machine = connectedMachine("cnc");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHAutomatic> automatic;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&automatic), kOk);
    auto sink = std::make_shared<RecordingMachineSink>();
    advise(machine, sink);

    sim().loseLink("cnc");
    ASSERT_TRUE(sink->waitForCount(1));
    EXPECT_EQ(sink->events(), (std::vector<std::int32_t>{10}));
    std::int32_t value = 0;
    EXPECT_EQ(machine->GetState(&value), code(0x800406CC));
    EXPECT_EQ(machine->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kConnectionLost);
    EXPECT_EQ(automatic->GetDncMode(&value), kConnectionLost);
    EXPECT_EQ(newMachine()->Connect("cnc"), kNotOnLine);
    EXPECT_EQ(machine->Connect("cnc"), kNotOnLine) << "reconnecting needs the link back";

    sim().restoreLink("cnc");
    EXPECT_EQ(machine->GetState(&value), kOk);
    EXPECT_EQ(value, DNC_STATE_MACHINE_IS_AVAILABLE);
}

TEST_F(EventsTest, MachineConnectsAgainOnceTheLostLinkIsBack) {
    auto machine = connectedMachine("cnc");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHFileSystem> fileSystem;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&fileSystem), kOk);
    sim().loseLink("cnc");
    sim().restoreLink("cnc");
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\a"), kOk) << "the restored link carries calls";

    EXPECT_EQ(machine->Connect("cnc"), kOk) << "a lost connection may be made again without Disconnect";
    EXPECT_EQ(machine->Connect("cnc"), kStillConnected);
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\a"), kNotConnected) << "old interfaces belong to the old connection";
}

TEST_F(EventsTest, AutomaticDataAccessAndErrorAcceptSinks) {
    auto machine = connectedMachine("cnc");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHError> error;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&error), kOk);
    struct Ignore : IJHErrorEvents2 {
        HRESULT OnError2(std::shared_ptr<IJHErrorEntry>) override { return kOk; }
        HRESULT OnErrorCleared2(std::shared_ptr<IJHErrorEntry>) override { return kOk; }
    };
    std::uint32_t cookie = 0;
    ASSERT_EQ(error->Advise(std::make_shared<Ignore>(), &cookie), kOk);
    EXPECT_NE(cookie, 0u);
    sim().loseLink("cnc");
    EXPECT_EQ(error->Unadvise(cookie), kOk) << "detaching works without the link";
}

TEST_F(EventsTest, ErrorsReachTheErrorSinksOfTheHostUntilUnadvise) {
    struct Recording : IJHErrorEvents2 {
        HRESULT OnError2(std::shared_ptr<IJHErrorEntry> error) override { return note("error", *error); }
        HRESULT OnErrorCleared2(std::shared_ptr<IJHErrorEntry> error) override { return note("cleared", *error); }
        HRESULT note(const std::string& kind, IJHErrorEntry& error) {
            std::string text, group, errorClass, number;
            error.get_text(&text);
            error.get_group(&group);
            error.get_class(&errorClass);
            error.get_number(&number);
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(kind + " " + number + " " + text + " " + group + " " + errorClass);
            return kOk;
        }
        std::mutex mutex;
        std::vector<std::string> seen;
    };
    auto machine = connectedMachine("cnc");
    connectedMachine("other");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHError> error;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&error), kOk);
    auto sink = std::make_shared<Recording>();
    std::uint32_t cookie = 0;
    ASSERT_EQ(error->Advise(sink, &cookie), kOk);
    EXPECT_TRUE(sim().raiseError("cnc", "Emergency stop", "OPERATING", "EMERGENCY_STOP", "1030"));
    EXPECT_TRUE(sim().raiseError("cnc", "Emergency stop", "OPERATING", "EMERGENCY_STOP", "1030", true));
    EXPECT_TRUE(sim().raiseError("other", "Not here", "G", "C", "1"));
    EXPECT_FALSE(sim().raiseError("unknown-host", "Nowhere", "G", "C", "1"));
    ASSERT_TRUE(sim().drainEvents());
    ASSERT_EQ(error->Unadvise(cookie), kOk);
    EXPECT_TRUE(sim().raiseError("cnc", "Too late", "G", "C", "2"));
    ASSERT_TRUE(sim().drainEvents());
    std::lock_guard<std::mutex> lock(sink->mutex);
    EXPECT_EQ(sink->seen, (std::vector<std::string>{"error 1030 Emergency stop OPERATING EMERGENCY_STOP",
                                                    "cleared 1030 Emergency stop OPERATING EMERGENCY_STOP"}));
}

}  // namespace
}  // namespace dncsim::test
