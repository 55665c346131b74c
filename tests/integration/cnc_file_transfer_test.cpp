// A part program sent to the control and fetched back over MQTT through the
// built executable, against the simulated control.
#include <gtest/gtest.h>

#include <filesystem>

#include "heidenhain/text/base64.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

TEST(CncFileTransfer, ProgramSentFetchedListedAndDeleted) {
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient client{"file-client"};
    client.connect(broker.uri());
    client.subscribe("cnc/agent/DncShim/__classInfo__");
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", broker.uri()});
    ASSERT_TRUE(client.waitForMessageOn("cnc/agent/DncShim/__classInfo__", 10s)) << agent.standardOutput();

    const std::string id =
        client.call("cnc/agent/DncShim/__static__/__create__", {{"data", {{"_1", "mill"}}}})["data"]["r"];
    auto call = [&](const std::string& function, json data) {
        return client.call("cnc/agent/DncShim/" + id + "/" + function, {{"data", data}}, 15s)["data"];
    };
    ASSERT_TRUE(call("connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());

    const std::string program = "0 BEGIN PGM part MM\r\n1 TOOL CALL 3 Z S4000\r\n2 L X+0 \xb0\r\n3 END PGM part MM\r\n";
    std::string content = heidenhain::base64Encode(program);
    content.insert(20, "\r\n");  // as a mail program would wrap it
    const json sent = call("transmitFile", {{"_1", content}, {"_2", "jobs\\part.h"}});
    EXPECT_TRUE(sent["r"].is_null() && !sent.contains("e")) << sent;
    EXPECT_EQ(call("receiveFile", {{"_1", "TNC:\\jobs\\part.h"}})["r"], heidenhain::base64Encode(program));
    // Programs of several MB, of every byte value, the second over the first.
    std::string big(3 << 20, '\0');
    for (std::size_t at = 0; at < big.size(); ++at) big[at] = static_cast<char>(at * 131 + at / 7);
    for (char first : {'1', '2'}) {
        big[0] = first;
        const json data = {{"_1", heidenhain::base64Encode(big)}, {"_2", "jobs\\big.h"}};
        const json reply = call("transmitFile", data);
        // Compared, not printed: a difference would print megabytes.
        EXPECT_TRUE(reply.size() == 3 && reply["r"].is_null() && reply["_1"] == data["_1"]) << reply.value("e", "");
    }
    EXPECT_TRUE(call("receiveFile", {{"_1", "TNC:\\jobs\\big.h"}})["r"] == heidenhain::base64Encode(big));
    // The first large reply opened the connection that the later ones took.
    EXPECT_TRUE(agent.waitForOutput("Large replies go through a connection of their own", 5s))
        << agent.standardOutput();
    EXPECT_EQ(call("readDirectory", {{"_1", "jobs"}})["r"],
              (json{{"path", "TNC:\\jobs"}, {"entries", {".", "..", "big.h", "part.h"}}}));
    EXPECT_EQ(call("transmitFile", {{"_1", "cGFy*dA=="}, {"_2", "jobs\\bad.h"}})["e"],
              "Base64 content has an invalid character 0x2a at offset 4");
    EXPECT_EQ(call("deleteDirectoryRecursively", {{"_1", "TNC:\\jobs"}})["r"],
              (json{{"path", "TNC:\\jobs"}, {"numDirectoriesDeleted", 1}, {"numFilesDeleted", 2}}));
    EXPECT_TRUE(std::filesystem::is_empty(agent.workingDirectory() / "tmp")) << "no transfer file stays behind";
    EXPECT_TRUE(call("disconnect", json::object())["r"].is_null());
}

}  // namespace
