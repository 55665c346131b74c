// A broker frozen with SIGSTOP (its connections left open) while sessions
// raise data events faster than they can go out. The agent runs in this
// process, so that the test can raise events and call sessions while no MQTT
// message gets through.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <future>
#include <regex>
#include <tuple>

#include "agent/local_factory.h"
#include "dncsim/remote_control.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/session/dncshim.h"
#include "heidenhain/session/registration.h"
#include "tests/support/broker.h"
#include "tests/support/capturing_event_sink.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

constexpr int kLockSeconds = 2;
const auto kLockBound = std::chrono::seconds(kLockSeconds) + 3s;
const std::string kValue = "\\PLC\\memory\\D\\2";

class FrozenBroker : public ::testing::Test {
protected:
    void SetUp() override {
        dncsim::installSimulatedSdk();
        heidenhain::registerDncShim();
        heidenhain::SdkGuard::setSdkMutexTimeout(kLockSeconds);
        agent = std::make_unique<testsupport::InProcessAgent>(broker.uri(), "frozen", "agent");
        client.connect(broker.uri());
        client.subscribe(agent->topic("DncShim/__classInfo__"));
        ASSERT_TRUE(client.waitForMessageOn(agent->topic("DncShim/__classInfo__"), 10s)) << "the agent is online";
    }
    void TearDown() override {
        thaw();
        agent->stop();
        nolt::LocalFactory::instance().clearInstances();
        dncsim::Simulator::instance().reset();
        heidenhain::SdkGuard::setSdkMutexTimeout(5);
    }
    void thaw() {
        if (frozen) broker.signal(SIGCONT);
        frozen = false;
    }
    json call(const std::string& path, json data = json::object()) {
        return client.call(agent->topic("DncShim/" + path), {{"data", data}}, 10s)["data"];
    }
    // A connected session whose data events go to the callback id `events`.
    std::string flooded(const std::string& host, const std::string& events) {
        const std::string id = call("__static__/__create__", {{"_1", host}})["r"];
        call(id + "/connect", {{"_1", host}, {"_2", "tnc640"}});
        call(id + "/onDataChanged", {{"_1", kValue}, {"_2", events}});
        return id;
    }
    static std::shared_ptr<heidenhain::DncShim> shim(const std::string& id) {
        return std::any_cast<std::shared_ptr<heidenhain::DncShim>>(nolt::LocalFactory::instance().instanceOf(id));
    }
    // False when the step has not ended within the bound (the broker is
    // thawed then, so that it can).
    bool endsWithin(const std::function<void()>& step) {
        auto running = std::async(std::launch::async, step);
        const bool ended = running.wait_for(kLockBound) == std::future_status::ready;
        if (!ended) thaw();
        running.get();
        return ended;
    }
    // The values of the data events with the callback id `events`, and -1 for
    // each event of an id that begins with it (onDisconnectDone), in the
    // order they arrived, until the value `last` and `more` of the others came.
    std::vector<int> arrivals(const std::string& events, int last, int more = 0) {
        std::vector<int> values;
        const auto seen = [&](int value) { return std::count(values.begin(), values.end(), value); };
        while (seen(last) == 0 || seen(-1) < more) {
            auto event = client.waitFor(
                [&](const auto& m) { return m.isJson() && m.json.value("id", "").starts_with(events); }, 20s);
            if (!event) break;
            values.push_back(event->json["id"] == events ? event->json["data"]["_1"]["2"].get<int>() : -1);
        }
        return values;
    }
    // How many runs of drops the session logged as begun and as ended, and
    // how many events the ended ones dropped.
    std::tuple<int, int, std::uint64_t> loggedDrops(const std::string& session) const {
        const std::regex ended("heidenhain::raiseEvent\t" + session + ": ([0-9]+) client events were dropped\n");
        int begun = 0, ends = 0;
        std::uint64_t dropped = 0;
        for (const auto& text : log.textsOf(platform::kAgentEventSource)) {
            std::smatch found;
            begun += text.find(session + ": Client events come faster than they can be published") != std::string::npos;
            if (!std::regex_match(text, found, ended)) continue;
            ++ends;
            dropped += std::stoull(found[1]);
        }
        return {begun, ends, dropped};
    }
    // The values 0 to raised - 1 were raised in turn. Those that arrived came
    // in that order, the newest among them (drops take the oldest waiting);
    // the others were logged as dropped, each run once as it began and once
    // as it ended, when the queue had handed on the rest.
    void expectInOrderOrDropped(const std::string& session, const std::vector<int>& arrived, int raised) {
        ASSERT_FALSE(arrived.empty());
        EXPECT_TRUE(testsupport::waitFor(
            [&] { return arrived.size() + std::get<2>(loggedDrops(session)) == static_cast<std::size_t>(raised); },
            10s));
        const auto [begun, ended, dropped] = loggedDrops(session);
        EXPECT_EQ(begun, ended);
        EXPECT_EQ(arrived.back(), raised - 1);
        EXPECT_TRUE(std::is_sorted(arrived.begin(), arrived.end(), std::less_equal<int>()));
    }

    testsupport::CapturingEventSink log;
    testsupport::MosquittoBroker broker;
    std::unique_ptr<testsupport::InProcessAgent> agent;
    testsupport::MqttTestClient client{"frozen-broker"};
    bool frozen = false;
};

TEST_F(FrozenBroker, NeitherTheSdkNorTheSessionsWaitAndEventsKeepTheirOrderOrAreCounted) {
    // Enough for the agent's outgoing queue (10000) and then both sessions' queues to overflow.
    const int chattyEvents = 11600, busyEvents = 1600;
    const std::string chatty = flooded("chatty.sim", "chatty-data");
    const std::string busy = flooded("busy.sim", "busy-data");
    const std::string calm = flooded("calm.sim", "calm-data");
    call(busy + "/onDisconnectDone", {{"_1", "busy-data-done"}});
    client.subscribe(agent->topic("DncShim/+/__machineInfo__"));

    frozen = broker.signal(SIGSTOP);
    ASSERT_TRUE(frozen);
    dncsim::DncSimulator control;
    for (int i = 0; i < chattyEvents; ++i) control.setDataValue("chatty.sim", kValue, std::to_string(i));
    for (int i = 0; i < busyEvents; ++i) control.setDataValue("busy.sim", kValue, std::to_string(i));
    // Each event reads its values through the SDK guard, which yields the
    // processor around every call: on a loaded machine 13,200 of them take
    // seconds. An event thread held by the broker would not end at all.
    EXPECT_TRUE(dncsim::Simulator::instance().drainEvents(60s)) << "the SDK's event thread waits for the broker";
    // The flooded session disconnects, connects again and is deleted, and
    // another answers, while the broker is still frozen.
    auto busyShim = shim(busy);
    EXPECT_TRUE(endsWithin([&] { busyShim->connection().disconnect(); }));
    EXPECT_TRUE(endsWithin([&] {
        EXPECT_EQ(shim(calm)->connection().getState(), "machine_is_available");
        busyShim->connection().connect("busy.sim", "tnc640");
    }));
    busyShim.reset();
    EXPECT_TRUE(endsWithin([&] { EXPECT_TRUE(nolt::LocalFactory::instance().remove(busy)); }));
    thaw();

    const auto chattyValues = arrivals("chatty-data", chattyEvents - 1);
    // Both disconnects, the client's and the deletion's, come after the data events.
    auto busyValues = arrivals("busy-data", busyEvents - 1, 2);
    ASSERT_GE(busyValues.size(), 2u);
    EXPECT_EQ(std::vector<int>(busyValues.end() - 2, busyValues.end()), (std::vector<int>{-1, -1}));
    busyValues.resize(busyValues.size() - 2);
    // Its reply went out behind the events that waited.
    EXPECT_EQ(call(calm + "/getState")["r"], "machine_is_available");
    expectInOrderOrDropped("chatty.sim", chattyValues, chattyEvents);
    expectInOrderOrDropped("busy.sim", busyValues, busyEvents);
    // The machine's summary counts them too.
    const std::uint64_t chattyDropped = std::get<2>(loggedDrops("chatty.sim"));
    EXPECT_GT(chattyDropped + std::get<2>(loggedDrops("busy.sim")), 0u);
    EXPECT_TRUE(client.waitFor(
        [&](const testsupport::ReceivedMessage& m) {
            return m.topic == agent->topic("DncShim/" + chatty + "/__machineInfo__") && m.isJson() &&
                   m.json.value("eventsDropped", std::uint64_t{0}) == chattyDropped;
        },
        10s));
}

}  // namespace
