// The data rows of the remote surface, called through the registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/event_publisher.h"
#include "agent/local_factory.h"
#include "heidenhain/registration.h"
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
    const struct {
        const char* type;
        const char* path;
        json number;
        Variant stored;
        const char* error;
    } cases[] = {
        {"tnc640", "\\PLC\\memory\\D\\1", 5, Variant(std::int32_t{5}), nullptr},
        {"tnc640", "\\PLC\\memory\\D\\1", 16777217, Variant(std::int32_t{16777217}), nullptr},
        {"tnc640", "\\PLC\\memory\\D\\1", -3, Variant(std::int32_t{-3}), nullptr},
        {"tnc640", "\\PLC\\memory\\D\\1", 1099511627776, Variant::fromSigned(dnc::VT_I8, 1099511627776), nullptr},
        {"tnc640", "\\PLC\\memory\\D\\1", 0.1, Variant(0.1), nullptr},
        {"tnc640", "\\PLC\\memory\\D\\1", 9223372036854775808u, Variant(), "Number 9223372036854775808 is out of range"},
        {"itnc530", "\\PLC\\memory\\D\\1", 16777217, Variant(std::int32_t{16777217}), nullptr},
        {"itnc530", "\\PLC\\memory\\W\\1", -7, Variant::fromSigned(dnc::VT_I2, -7), nullptr},
        {"itnc530", "\\PLC\\memory\\W\\1", 40000, Variant(), "Number 40000 is out of range for this entry"},
        {"itnc530", "\\PLC\\memory\\B\\1", 200, Variant::fromUnsigned(dnc::VT_UI1, 200), nullptr},
        {"itnc530", "\\CFG\\machine\\feedLimit", 0.1, Variant(0.1), nullptr},
        {"itnc530", "\\CFG\\machine\\feedLimit", 5, Variant(5.0), nullptr},
        {"itnc530", "\\CFG\\machine\\feedLimit", 9007199254740993, Variant(),
         "Number 9007199254740993 is out of range for this entry"},
        {"itnc530", "\\PLC\\memory\\D\\1", 2.5, Variant(),
         "Call property->put_varValue(variant) produced error (0x80070057): One or more arguments are invalid"},
    };
    for (const std::string type : {"tnc640", "itnc530"}) {
        const std::string id = call("DncShim", "__create__", {{"_1", type}});
        ASSERT_EQ(call(id, "connect", {{"_1", type + ".test"}, {"_2", type}}), nullptr);
        for (const auto& c : cases) {
            if (c.type != type) continue;
            const json reply = call(id, "setValue", {{"_1", c.path}, {"_2", c.number}});
            if (c.error) {
                const std::string text = reply.is_string() ? reply.get<std::string>() : reply.dump();
                EXPECT_THAT(text, testing::StartsWith(c.error)) << type << " " << c.number;
                continue;
            }
            EXPECT_EQ(reply, nullptr) << type << " " << c.number;
            EXPECT_EQ(stored(type + ".test", c.path), c.stored) << type << " " << c.number;
        }
    }
}

}  // namespace
}  // namespace heidenhain
