// A broker that takes the agent's connection but refuses its subscriptions
// must not leave it online and deaf: that counts as a failed connect.
#include <gtest/gtest.h>

#include "agent/client_id.h"
#include "tests/integration/probe_class.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/temp_dir.h"

using namespace std::chrono_literals;

TEST(SubscriptionRefusal, RefusedAgentTopicsKeepTheAgentOfflineAndReconnecting) {
    // Mosquitto's own ACL file never refuses a subscription; its plugin can.
    if (std::string(NOLT_MOSQUITTO_DYNSEC).empty()) GTEST_SKIP() << "no Mosquitto dynamic security plugin";
    probe::registerProbe();
    testsupport::TempDir config("nolt-dynsec");
    testsupport::writeFile(config.file("dynsec.json"), R"({"clients": [], "anonymousGroup": "anonymous",
        "defaultACLAccess": {"publishClientSend": true, "publishClientReceive": true,
                             "subscribe": true, "unsubscribe": true},
        "groups": [{"groupname": "anonymous", "roles": [{"rolename": "refusing"}]}],
        "roles": [{"rolename": "refusing",
                   "acls": [{"acltype": "subscribePattern", "topic": "test/deaf/+/__static__/#", "allow": false}]}]})");
    testsupport::MosquittoBroker broker("plugin " NOLT_MOSQUITTO_DYNSEC "\nplugin_opt_config_file " +
                                        config.file("dynsec.json").string() + "\n");
    testsupport::MqttTestClient watcher("watcher");
    watcher.connect(broker.uri());
    watcher.subscribe("test/deaf/__agentInfo__");
    const std::string connected = " as " + nolt::makeClientId("test", "deaf") + " ";
    testing::internal::CaptureStderr();
    {
        testsupport::InProcessAgent agent(broker.uri(), "test", "deaf");
        EXPECT_TRUE(testsupport::waitFor([&] { return broker.logCount(connected) >= 2; }, 15s))
            << "the agent did not connect again";
    }
    const std::string err = testing::internal::GetCapturedStderr();
    // Which class's topic comes first depends on the classes registered.
    EXPECT_NE(err.find("Connection failed: the broker refused the subscription of test/deaf/"), std::string::npos)
        << err;
    for (const auto& m : watcher.messages()) {
        EXPECT_FALSE(m.isJson() && m.json.value("status", "") == "online") << m.payload;
    }
}
