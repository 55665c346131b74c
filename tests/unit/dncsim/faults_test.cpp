// Injected failures and delays of simulated operations.
#include <future>

#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

using FaultsTest = SimulatorTest;

TEST_F(FaultsTest, FailNextCountsDownAndThenLetsCallsThrough) {
    auto machine = connectedMachine("cnc");
    sim().faults().failNext("GetState", 2, kCommunicationFailure);
    std::int32_t state = -1;
    EXPECT_EQ(machine->GetState(&state), kCommunicationFailure);
    EXPECT_EQ(machine->GetState(&state), kCommunicationFailure);
    EXPECT_EQ(state, -1) << "a failed call leaves its out value alone";
    EXPECT_EQ(machine->GetState(&state), kOk);
    EXPECT_EQ(state, DNC_STATE_MACHINE_IS_AVAILABLE);
}

TEST_F(FaultsTest, FailuresApplyPerOperationAndHost) {
    auto a = connectedMachine("a");
    auto b = connectedMachine("b");
    sim().faults().failNext("GetInterface", kEveryCall, kFail, "b");
    std::shared_ptr<Object> tmp;
    std::int32_t state = 0;
    EXPECT_EQ(a->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kOk);
    EXPECT_EQ(b->GetState(&state), kOk);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(b->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kFail);
}

TEST_F(FaultsTest, ConnectAndCreationCanFail) {
    addConnection("cnc");
    sim().faults().failNext("Connect", 1, kNotOnLine);
    sim().faults().failNext("CreateMachine", 1, kClassNotRegistered);
    std::shared_ptr<IJHMachine> none;
    EXPECT_EQ(machineFactory()->CreateMachine(&none), kClassNotRegistered);
    auto machine = newMachine();
    EXPECT_EQ(machine->Connect("cnc"), kNotOnLine);
    EXPECT_EQ(machine->Connect("cnc"), kOk);
}

TEST_F(FaultsTest, DelayedCallTakesAtLeastItsDuration) {
    auto machine = connectedMachine("cnc");
    sim().faults().delay("GetState", std::chrono::milliseconds(30), 1);
    std::int32_t state = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(machine->GetState(&state), kOk);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST_F(FaultsTest, DelayedCallIsObservableAndReleasable) {
    auto machine = connectedMachine("cnc");
    sim().faults().delay("GetState", std::chrono::hours(1));
    auto call = std::async(std::launch::async, [&] {
        std::int32_t state = 0;
        return machine->GetState(&state);
    });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("GetState", kBound));
    EXPECT_FALSE(sim().faults().awaitDelayedCall("Connect", std::chrono::milliseconds(0)));
    sim().faults().releaseDelayed();
    ASSERT_EQ(call.wait_for(kBound), std::future_status::ready);
    EXPECT_EQ(call.get(), kOk);
}

TEST_F(FaultsTest, ResetForgetsEveryFault) {
    auto& faults = sim().faults();
    faults.failNext("GetState", kEveryCall, kFail);
    faults.setBooting("cnc", true);
    faults.setLinkLost("cnc", true);
    faults.withholdInterface(DNC_INTERFACE_JHAUTOMATIC);
    sim().reset();
    EXPECT_FALSE(faults.booting("cnc"));
    EXPECT_FALSE(faults.linkLost("cnc"));
    EXPECT_EQ(faults.interfaceAnswer(DNC_INTERFACE_JHAUTOMATIC, "cnc"), kOk);
    EXPECT_EQ(faults.enter("GetState", "cnc"), kOk);
    EXPECT_EQ(sim().connections()->count(), 0);
}

}  // namespace
}  // namespace dncsim::test
