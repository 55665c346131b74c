// The DncSimulator remote class, called as the agent calls it.
#include <nlohmann/json.hpp>

#include "agent/local_factory.h"
#include "dncsim/remote_control.h"
#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;
using nlohmann::json;

class RemoteControlTest : public SimulatorTest {
protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        registerDncSimulator();
        registerDncSimulator();  // a second registration changes nothing
        const auto created = call("DncSimulator", "__create__", json::object());
        ASSERT_TRUE(created.contains("r")) << created.dump();
        id_ = created["r"].get<std::string>();
    }
    void TearDown() override {
        nolt::LocalFactory::instance().remove(id_);
        SimulatorTest::TearDown();
    }

    static json call(const std::string& context, const std::string& method, json data) {
        json message = {{"sender", "c/1/r"}, {"id", 1}, {"context", context}, {"method", method}, {"data", data}};
        nolt::LocalFactory::instance().call(message);
        return message["data"];
    }
    json remote(const std::string& method, json data = json::object()) { return call(id_, method, std::move(data)); }

    std::string id_;
};

TEST_F(RemoteControlTest, InjectedFailureTakesEitherFormOfTheCode) {
    auto machine = connectedMachine("cnc");
    EXPECT_FALSE(remote("failNext", {{"_1", "GetState"}, {"_2", 1}, {"_3", 2147747532LL}, {"_4", ""}}).contains("e"));
    EXPECT_FALSE(remote("failNext", {{"_1", "GetState"}, {"_2", 1}, {"_3", -2147219764}, {"_4", "cnc"}}).contains("e"));
    std::int32_t state = 0;
    EXPECT_EQ(machine->GetState(&state), code(0x800406CC));
    EXPECT_EQ(machine->GetState(&state), code(0x800406CC));
    EXPECT_EQ(machine->GetState(&state), kOk);
}

TEST_F(RemoteControlTest, RejectsCodesThatAreNoFailures) {
    EXPECT_EQ(remote("failNext", {{"_1", "GetState"}, {"_2", 1}, {"_3", 0}, {"_4", ""}})["e"],
              "Result code is no failure code: 0");
    EXPECT_EQ(remote("failNext", {{"_1", "GetState"}, {"_2", 1}, {"_3", 4294967296LL}, {"_4", ""}})["e"],
              "Result code out of range: 4294967296");
    EXPECT_EQ(remote("withholdInterface", {{"_1", "DNC_INTERFACE_NONE"}, {"_2", -2147467262}, {"_3", ""}})["e"],
              "Unknown interface kind: DNC_INTERFACE_NONE");
}

TEST_F(RemoteControlTest, DrivesLinkBootingEventsAndInterfaces) {
    auto machine = connectedMachine("cnc");
    auto sink = std::make_shared<RecordingMachineSink>();
    std::uint32_t cookie = 0;
    ASSERT_EQ(machine->Advise(sink, &cookie), kOk);

    EXPECT_EQ(remote("raiseMachineEvent", {{"_1", "cnc"}, {"_2", 7}})["r"], true);
    EXPECT_EQ(remote("raiseMachineEvent", {{"_1", "nowhere"}, {"_2", 7}})["r"], false);
    remote("loseLink", {{"_1", "cnc"}});
    ASSERT_TRUE(sink->waitForCount(2));
    EXPECT_EQ(sink->events(), (std::vector<std::int32_t>{7, 10}));
    remote("restoreLink", {{"_1", "cnc"}});

    remote("stayBooting", {{"_1", "cnc"}, {"_2", true}});
    std::int32_t state = 0;
    EXPECT_EQ(machine->GetState(&state), kOk);
    EXPECT_EQ(state, DNC_STATE_DNC_IS_AVAILABLE);

    remote("withholdInterface", {{"_1", "DNC_INTERFACE_JHFILESYSTEM"}, {"_2", -2147467262}, {"_3", "cnc"}});
    std::shared_ptr<Object> tmp;
    EXPECT_EQ(machine->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &tmp), kNoInterface);
    remote("offerInterface", {{"_1", "DNC_INTERFACE_JHFILESYSTEM"}, {"_2", "cnc"}});
    EXPECT_EQ(machine->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &tmp), kOk);

    remote("clearFaults");
    EXPECT_EQ(machine->GetState(&state), kOk);
    EXPECT_EQ(state, DNC_STATE_MACHINE_IS_AVAILABLE);
}

TEST_F(RemoteControlTest, RaisesErrorsAndTheirClearing) {
    struct Recording : IJHErrorEvents2 {
        HRESULT OnError2(std::shared_ptr<IJHErrorEntry> error) override { return note("error ", *error); }
        HRESULT OnErrorCleared2(std::shared_ptr<IJHErrorEntry> error) override { return note("cleared ", *error); }
        HRESULT note(const std::string& kind, IJHErrorEntry& error) {
            std::string text, group, errorClass, number;
            error.get_text(&text);
            error.get_group(&group);
            error.get_class(&errorClass);
            error.get_number(&number);
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(kind + number + ": " + text + "; " + group + "; " + errorClass);
            return kOk;
        }
        std::mutex mutex;
        std::vector<std::string> seen;
    };
    auto machine = connectedMachine("cnc");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHError> error;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&error), kOk);
    auto sink = std::make_shared<Recording>();
    std::uint32_t cookie = 0;
    ASSERT_EQ(error->Advise(sink, &cookie), kOk);
    const json message = {{"_1", "cnc"}, {"_2", "Emergency stop"}, {"_3", "OPERATING"}, {"_4", "EMERGENCY_STOP"},
                          {"_5", "1030"}, {"_6", false}};
    EXPECT_EQ(remote("raiseError", message)["r"], true);
    json cleared = message;
    cleared["_6"] = true;
    EXPECT_EQ(remote("raiseError", cleared)["r"], true);
    json elsewhere = message;
    elsewhere["_1"] = "nowhere";
    EXPECT_EQ(remote("raiseError", elsewhere)["r"], false);
    ASSERT_TRUE(sim().drainEvents());
    std::lock_guard<std::mutex> lock(sink->mutex);
    EXPECT_EQ(sink->seen, (std::vector<std::string>{"error 1030: Emergency stop; OPERATING; EMERGENCY_STOP",
                                                    "cleared 1030: Emergency stop; OPERATING; EMERGENCY_STOP"}));
}

}  // namespace
}  // namespace dncsim::test
