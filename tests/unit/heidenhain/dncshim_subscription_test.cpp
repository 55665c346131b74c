// Data subscriptions: the sink attached at connect, value changes as JSON
// events to the registered callback, unknown handles, unsubscribe.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "heidenhain/events/data_access_sink.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/data_fixture.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

// An empty entry list, for events that the test hands to the sink itself.
class EmptyEntryList final : public dnc::IJHDataEntryList {
public:
    dnc::HRESULT get_Count(std::int32_t* count) override {
        *count = 0;
        return dnc::kOk;
    }
    dnc::HRESULT get_Item(std::int32_t, std::shared_ptr<dnc::IJHDataEntry>*) override { return dnc::kBadParameter; }
};

struct Received {
    json value;
    std::thread::id thread;
};

class SubscriptionTest : public DataSessionTest {
protected:
    nolt::Callback<json> recorder() {
        return [this](json value) { received.push({std::move(value), std::this_thread::get_id()}); };
    }
    std::vector<json> values() const {
        std::vector<json> all;
        for (const auto& r : received.snapshot()) all.push_back(r.value);
        return all;
    }
    // The control changes a value and its events have been delivered.
    void changeAndDeliver(const std::string& path, const std::string& text) {
        change("tnc640.test", path, text);
        ASSERT_TRUE(eventsHandled());
    }

    testsupport::EventQueue<Received> received;
};

TEST_F(SubscriptionTest, SinkAttachedAtConnectDetachedAtDisconnect) {
    auto& mill = connected("tnc640");
    EXPECT_TRUE(mill.interfaces().hasDataAccessEvents());
    EXPECT_TRUE(mill.interfaces().getAvailableInterfaces()["dataAccessEvents"]);
    mill.data().onDataChanged("\\PLC\\memory\\M\\100", recorder());
    mill.connection().disconnect();
    EXPECT_FALSE(mill.interfaces().hasDataAccessEvents());
    changeAndDeliver("\\PLC\\memory\\M\\100", "1");
    EXPECT_EQ(received.size(), 0u);

    sim().faults().failNext("Advise", 2, dnc::kFail);
    auto& other = connected("tnc640", "other");
    EXPECT_FALSE(other.interfaces().hasDataAccessEvents());
    EXPECT_TRUE(log.containsTextPart(
        "heidenhain::initializeInterfaces\tother: Cannot register DataAccessEvent listener (Call "
        "_dataAccess.Advise(reinterpret_cast<IUnknown*>(dataSink), HeidenhainDNCLib::IID__IJHDataAccessEvents2, "
        "&_dataAccessEventCookie) produced error (0x80004005): An unspecified failure has occurred (isConnected:1, "));
    EXPECT_TRUE(other.connection().isConnected()) << "a missing sink is a warning only";
}

TEST_F(SubscriptionTest, ChangesArriveAsJsonNestedLikeTheEntries) {
    auto& mill = connected("tnc640");
    log.clear();
    const auto marker = mill.data().onDataChanged("\\PLC\\memory\\M\\100", recorder());
    EXPECT_EQ(marker, 1) << "the simulator's first handle";
    EXPECT_EQ(texts(), std::vector<std::string>{entry("onDataChanged", "mill: \\PLC\\memory\\M\\100")});
    changeAndDeliver("\\PLC\\memory\\M\\100", "1");
    auto first = received.tryPop();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->value, (json{{"100", true}}));
    EXPECT_NE(first->thread, std::this_thread::get_id()) << "on the SDK's event thread";
    EXPECT_TRUE(loggedAs(platform::EventInformation, "OnData2", "mill"));

    const auto words = mill.data().onDataChanged("\\PLC\\memory\\W", recorder());
    EXPECT_NE(words, marker);
    changeAndDeliver("\\PLC\\memory\\W\\1", "-7");
    auto second = received.tryPop();
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->value["W"].is_object());
    EXPECT_EQ(second->value["W"].size(), 16u);
    EXPECT_EQ(second->value["W"]["1"], -7);
    EXPECT_EQ(second->value["W"]["2"], 20);

    mill.data().setValue("\\PLC\\memory\\M\\100", "__null__");
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(values(), std::vector<json>{(json{{"100", nullptr}})}) << "a write of the session itself arrives too";
}

TEST_F(SubscriptionTest, UnknownPathsFailBeforeSubscribing) {
    auto& mill = connected("tnc640");
    sim().faults().failNext("Subscribe2", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.data().onDataChanged("\\PLC\\memory\\M\\100", recorder()); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call dataEntry->Subscribe2( &subscriptionHandle) produced error (0x80004005): ")));
    EXPECT_THAT([&] { mill.data().onDataChanged("\\PLC\\memory\\Q", recorder()); },
                ThrowsMessage<std::invalid_argument>(
                    StrEq("Invalid argument: Data path \\PLC\\memory\\Q for callback registration does not exist")));
    EXPECT_TRUE(logged("onDataChanged", "mill: \\PLC\\memory\\Q")) << "logged before the checks";
    EXPECT_EQ(mill.data().onDataChanged("\\PLC\\memory\\M\\100", recorder()), 1) << "nothing was subscribed before";

    auto& idle = session("idle");
    EXPECT_THAT([&] { idle.data().onDataChanged("\\PLC", recorder()); },
                ThrowsMessage<std::runtime_error>(StartsWith("Unexpected online call CHECK_INTERFACE(DataAccess) while "
                                                             "disconnected inDncShim::onDataChanged, ")));
    EXPECT_TRUE(logged("onDataChanged", "idle: \\PLC"));
}

TEST_F(SubscriptionTest, UnsubscribedHandlesAreSilent) {
    auto& mill = connected("tnc640");
    const auto handle = mill.data().onDataChanged("\\PLC\\memory\\D\\0", recorder());
    mill.data().onDataChanged("\\PLC\\memory\\D\\1", recorder());
    mill.data().unsubscribe("\\PLC\\memory\\D\\0", handle);
    changeAndDeliver("\\PLC\\memory\\D\\0", "1");
    changeAndDeliver("\\PLC\\memory\\D\\1", "2");
    EXPECT_EQ(values(), std::vector<json>{(json{{"1", 2}})});
    EXPECT_NO_THROW(mill.data().unsubscribe("\\PLC\\memory\\D\\0", handle)) << "the SDK's answer is not checked";
    EXPECT_THAT([&] { mill.data().unsubscribe("\\PLC\\memory\\Q", handle); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->GetDataEntry2( bstrDataPath, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_TRUE, "
                    "&dataEntry) produced error (0x80040264): One or more of the method parameters is incorrect")));
}

TEST_F(SubscriptionTest, SinkAnswersOneForUnknownHandlesAndFailures) {
    auto& mill = connected("tnc640");
    CDataAccessSink sink(mill.data(), mill.name());
    auto list = std::make_shared<EmptyEntryList>();
    EXPECT_EQ(sink.OnData2(99, 0.0, list), dnc::kFalse);
    EXPECT_EQ(received.size(), 0u);
    EXPECT_TRUE(logged("OnData2", "mill"));

    const auto handle = mill.data().onDataChanged("\\PLC\\memory\\M\\0", recorder());
    EXPECT_EQ(sink.OnData2(handle, 0.0, list), dnc::kOk);
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(values(), std::vector<json>{json()}) << "an empty list is the null value";

    // The callback runs later, from the session's event queue.
    const auto failing = mill.data().onDataChanged("\\PLC\\memory\\M\\1", [](json) { throw std::runtime_error("gone"); });
    EXPECT_EQ(sink.OnData2(failing, 0.0, list), dnc::kOk);

    mill.connection().disconnect();
    EXPECT_EQ(sink.OnData2(handle, 0.0, list), dnc::kFalse) << "the guarded list calls fail";
    sink.detach();
    EXPECT_EQ(sink.OnData2(handle, 0.0, list), dnc::kOk) << "a detached sink drops the event";
    EXPECT_EQ(received.size(), 1u);
}

}  // namespace
}  // namespace heidenhain
