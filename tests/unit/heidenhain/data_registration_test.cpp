// The data rows of the remote surface, called through the registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "heidenhain/session/registration.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/data_fixture.h"
#include "tests/unit/heidenhain/registry_call.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using testing::IsSupersetOf;

using registry_test::call;

class DataRegistrationTest : public DataSessionTest {
protected:
    void SetUp() override {
        DataSessionTest::SetUp();
        registerDncShim();
        nolt::setEventPublisher([this](const json& event) { events.push(event); });
    }
    void TearDown() override {
        nolt::LocalFactory::instance().clearInstances();
        nolt::setEventPublisher({});
        DataSessionTest::TearDown();
    }
    testsupport::EventQueue<json> events;
};

TEST_F(DataRegistrationTest, DataRowsReachTheirFunctions) {
    EXPECT_THAT(nolt::LocalFactory::instance().memberFunctionKeys("DncShim"),
                IsSupersetOf({"getPlcData-stringstring", "getValue-string", "setValue-stringnumber",
                              "setValue-stringstring", "setAccessMode-stringstring",
                              "setAccessMode-stringstringstringstring", "onDataChanged-stringstring",
                              "unsubscribe-stringnumber"}));
    const std::string id = call("DncShim", "__create__", {{"_1", "mill"}});
    ASSERT_EQ(call(id, "connect", {{"_1", "tnc640.test"}, {"_2", "tnc640"}}), nullptr);
    EXPECT_EQ(call(id, "setAccessMode", {{"_1", "sys"}, {"_2", "sim"}}), nullptr);
    EXPECT_EQ(call(id, "setAccessMode", {{"_1", "sim"}, {"_2", ""}, {"_3", ""}, {"_4", "sim"}}), nullptr);
    EXPECT_EQ(call(id, "setAccessMode", {{"_1", "root"}, {"_2", "sim"}}), "invalid unordered_map<K, T> key");
    EXPECT_EQ(call(id, "getPlcData", {{"_1", "M"}, {"_2", "5"}}), "1");
    EXPECT_EQ(call(id, "getValue", {{"_1", "\\PLC\\memory\\S\\0"}}), "ready");

    EXPECT_EQ(call(id, "setValue", {{"_1", "\\PLC\\memory\\D\\1"}, {"_2", "6"}}), nullptr);
    EXPECT_EQ(call(id, "getValue", {{"_1", "\\PLC\\memory\\D\\1"}}), "6");

    const json handle = call(id, "onDataChanged", {{"_1", "\\PLC\\memory\\M\\100"}, {"_2", "cb-data"}});
    EXPECT_EQ(handle, 1);
    change("tnc640.test", "\\PLC\\memory\\M\\100", "1");
    auto event = events.waitPop(std::chrono::seconds(5));
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["id"], "cb-data");
    EXPECT_EQ((*event)["method"], "onDataChanged");
    EXPECT_EQ((*event)["data"], (json{{"_1", {{"100", true}}}}));
    EXPECT_EQ(call(id, "unsubscribe", {{"_1", "\\PLC\\memory\\M\\100"}, {"_2", handle}}), nullptr);
    change("tnc640.test", "\\PLC\\memory\\M\\100", "0");
    ASSERT_TRUE(dncsim::Simulator::instance().drainEvents());
    EXPECT_EQ(events.size(), 0u);
}

// A JSON number reaches the control as the number it is: integers stay
// integers, fractions doubles; an older control's entry keeps its type.
TEST_F(DataRegistrationTest, NumbersReachTheControlUnchanged) {
    using dnc::Variant;
    const std::string d1 = "\\PLC\\memory\\D\\1", feed = "\\CFG\\machine\\feedLimit";
    const struct {
        std::string type, path;
        json number;
        Variant stored;  // empty: refused
    } cases[] = {
        {"tnc640", d1, 16777217, Variant(std::int32_t{16777217})},
        {"tnc640", d1, 1099511627776, Variant::fromSigned(dnc::VT_I8, 1099511627776)},
        {"tnc640", d1, 0.1, Variant(0.1)},
        {"tnc640", d1, 9223372036854775808u, Variant()},
        {"itnc530", d1, 16777217, Variant(std::int32_t{16777217})},
        {"itnc530", "\\PLC\\memory\\W\\1", 40000, Variant()},
        {"itnc530", d1, 2.5, Variant()},
        {"itnc530", feed, 0.1, Variant(0.1)},
        {"itnc530", feed, 5, Variant(5.0)},
    };
    std::map<std::string, std::string> sessions;
    for (const auto& c : cases) {
        std::string& id = sessions[c.type];
        if (id.empty()) {
            id = call("DncShim", "__create__", {{"_1", c.type}});
            ASSERT_EQ(call(id, "connect", {{"_1", c.type + ".test"}, {"_2", c.type}}), nullptr);
        }
        const json reply = call(id, "setValue", {{"_1", c.path}, {"_2", c.number}});
        EXPECT_EQ(reply.is_string(), c.stored.isEmpty()) << c.type << " " << c.number << " " << reply;
        if (!c.stored.isEmpty()) {
            EXPECT_EQ(stored(c.type + ".test", c.path), c.stored) << c.type << " " << c.number;
        }
    }
}

}  // namespace
}  // namespace heidenhain
