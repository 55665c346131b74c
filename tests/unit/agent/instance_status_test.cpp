// Retained instance status: latest wins, a clear follows the last status,
// everything again after a connect, nothing from a deleted instance.
#include <gtest/gtest.h>

#include <memory>

#include "agent/instance_status.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

struct Session {
    nolt::StatusReport report;
};

struct Published {
    std::string topic;
    std::string payload;
};

TEST(InstanceStatus, PublishesLatestStatusClearsOnDeleteAndRepublishesAfterConnect) {
    nolt::registerInstanceStatus<Session>("Session", "__status__", [](Session& session, nolt::StatusReport report) {
        session.report = std::move(report);
        session.report({{"n", 0}});
    });
    testsupport::EventQueue<Published> published;
    nolt::InstanceStatusPublisher publisher(nolt::Topics("d", "a"), [&](const std::string& topic, const std::string& payload) {
        published.push({topic, payload});
    });
    const std::string topic = "d/a/Session/s1/__status__";
    const auto payloadIs = [&](const json& expected) {
        return [&, expected](const Published& message) {
            return message.topic == topic && !message.payload.empty() && json::parse(message.payload) == expected;
        };
    };

    auto session = std::make_shared<Session>();
    publisher.attach("Session", "s1", true, std::any(session));
    EXPECT_TRUE(published.waitTake(payloadIs({{"instance", "s1"}, {"n", 0}, {"named", true}}), 5s));
    for (int n = 1; n <= 50; ++n) session->report({{"n", n}});
    EXPECT_TRUE(published.waitTake(payloadIs({{"instance", "s1"}, {"n", 50}, {"named", true}}), 5s));
    publisher.republishAll();
    EXPECT_TRUE(published.waitTake(payloadIs({{"instance", "s1"}, {"n", 50}, {"named", true}}), 5s));

    publisher.remove("Session", "s1");
    EXPECT_TRUE(published.waitTake([&](const Published& m) { return m.topic == topic && m.payload.empty(); }, 5s));
    // A deleted instance that still reports changes nothing.
    session->report({{"n", 99}});
    publisher.republishAll();
    publisher.attach("Other", "o1", false, std::any(session));
    publisher.stop();
    EXPECT_FALSE(published.contains([](const Published& message) { return !message.payload.empty(); }));
}

}  // namespace
