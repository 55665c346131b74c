// Several sessions use the simulator at once while events flow.
#include <atomic>

#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

using ConcurrencyTest = SimulatorTest;

TEST_F(ConcurrencyTest, SessionsConnectQueryAndDisconnectInParallel) {
    addConnection("shared");
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            auto machine = newMachine();
            auto sink = std::make_shared<RecordingMachineSink>();
            std::uint32_t cookie = 0;
            if (machine->Advise(sink, &cookie) != kOk) ++failures;
            for (int round = 0; round < kRounds; ++round) {
                std::int32_t state = 0;
                std::shared_ptr<Object> tmp;
                if (machine->Connect("shared") != kOk) ++failures;
                if (machine->GetState(&state) != kOk || state != DNC_STATE_MACHINE_IS_AVAILABLE) ++failures;
                if (machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp) != kOk) ++failures;
                sim().raiseMachineEvent("shared", DNC_EVT_STATE_MACHINE_AVAILABLE);
                if (machine->Disconnect() != kOk) ++failures;
            }
            if (machine->Unadvise(cookie) != kOk) ++failures;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(sim().drainEvents());
}

}  // namespace
}  // namespace dncsim::test
