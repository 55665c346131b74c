#pragma once
// Shared ground of the simulator tests: a fresh simulated world per test,
// connections by host name, and a machine sink that records its events.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dnc/dnc.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"

namespace dncsim::test {

inline constexpr std::chrono::seconds kBound{5};

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim().reset();
        installSimulatedSdk();
    }
    void TearDown() override {
        sim().reset();
        dnc::setMachineFactory(nullptr);
    }

    static Simulator& sim() { return Simulator::instance(); }

    static std::shared_ptr<dnc::IJHMachine> newMachine() {
        std::shared_ptr<dnc::IJHMachine> machine;
        EXPECT_EQ(dnc::machineFactory()->CreateMachine(&machine), dnc::kOk);
        return machine;
    }

    // Lists a connection named like its host, as the session does.
    static void addConnection(const std::string& host, std::int32_t cncType = dnc::DNC_CNC_TYPE_ITNC,
                              std::int32_t protocol = dnc::DNC_PROT_TCPIP) {
        auto machine = newMachine();
        std::shared_ptr<dnc::IJHConnectionList> list;
        std::shared_ptr<dnc::IJHConnection> connection;
        std::shared_ptr<dnc::IJHConnectionProperty> property;
        ASSERT_EQ(machine->ListConnections(&list), dnc::kOk);
        ASSERT_EQ(list->NewConnection(cncType, protocol, &connection), dnc::kOk);
        ASSERT_EQ(connection->put_name(host), dnc::kOk);
        ASSERT_EQ(connection->get_ConnectionProperty(dnc::DNC_CP_HOST, &property), dnc::kOk);
        ASSERT_EQ(property->put_value(dnc::Variant(host)), dnc::kOk);
        ASSERT_EQ(list->AddConnection(connection), dnc::kOk);
    }

    static std::shared_ptr<dnc::IJHMachine> connectedMachine(const std::string& host,
                                                             std::int32_t cncType = dnc::DNC_CNC_TYPE_ITNC) {
        if (!sim().connections()->find(host)) addConnection(host, cncType);
        auto machine = newMachine();
        EXPECT_EQ(machine->Connect(host), dnc::kOk);
        return machine;
    }
};

// Records machine state events with the thread that delivered them.
class RecordingMachineSink : public dnc::IJHMachineEvents2 {
public:
    dnc::HRESULT OnStateChanged(std::int32_t stateEvent) override {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(stateEvent);
        threads_.push_back(std::this_thread::get_id());
        arrived_.notify_all();
        return dnc::kOk;
    }

    bool waitForCount(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, kBound, [&] { return events_.size() >= count; });
    }
    std::vector<std::int32_t> events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::int32_t> events_;
    std::vector<std::thread::id> threads_;
};

}  // namespace dncsim::test
