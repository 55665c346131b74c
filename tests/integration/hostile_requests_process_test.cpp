// Hostile requests against the built executable and the simulated control.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/integration/executable_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class HostileRequestsProcess : public ExecutableFixture {
protected:
    HostileRequestsProcess() : ExecutableFixture("hostile", {"--max-request-bytes", "100000"}) {}
};

TEST_F(HostileRequestsProcess, LongPathsBigRequestsForeignDeletesAndGuessableIds) {
    std::vector<std::uint64_t> ids;
    for (int i = 0; i < 20; ++i) ids.push_back(std::stoull(call("DncShim/__static__/__create__", {{"_1", "s"}})["r"].get<std::string>()));
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    EXPECT_GT(*high - *low, std::uint64_t(1) << 48) << "ids spread over the whole 64-bit range";

    const std::string id = std::to_string(ids[0]);
    ASSERT_TRUE(call("DncShim/" + id + "/connect", {{"_1", "mill.sim"}, {"_2", "tnc640"}})["r"].is_null());
    const std::string longPath(30000, 'p');
    const std::pair<const char*, json> functions[] = {
        {"readDirectory", {{"_1", longPath}}},   {"makeDirectory", {{"_1", longPath}}},
        {"deleteDirectory", {{"_1", longPath}}}, {"deleteFile", {{"_1", longPath}}},
        {"copyFile", {{"_1", "a.h"}, {"_2", longPath}}}, {"transmitFile", {{"_1", ""}, {"_2", longPath}}},
        {"receiveFile", {{"_1", longPath}}},     {"deleteDirectoryRecursively", {{"_1", longPath}}}};
    for (const auto& [function, data] : functions) {
        EXPECT_EQ(call("DncShim/" + id + "/" + function, data)["e"],
                  "CNC path of 30000 characters is too long: the control accepts at most 255")
            << function;
    }
    // A factory deletes only instances of its own class.
    EXPECT_EQ(call("DncSimulator/__static__/__delete__", {{"_1", id}})["r"], false);
    EXPECT_TRUE(call("DncShim/" + id + "/getState", json::object()).contains("r"));

    const std::string big =
        json{{"sender", client.replyTopic()}, {"id", "big"}, {"data", {{"_1", std::string(100000, 'x')}}}}.dump();
    client.publishText("cnc/agent/DncShim/" + id + "/getState", big);
    auto refused = client.waitFor([](const auto& m) { return m.isJson() && m.json["id"] == "big"; });
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->json["data"]["e"],
              "Request of " + std::to_string(big.size()) + " bytes refused: the limit is 100000 bytes");
    EXPECT_NE(agent->standardOutput().find("Max Request     : 100000 bytes\n"), std::string::npos);
}

TEST(HostileRequestsAlone, RefusedConnectTellsTheBrokersReason) {
    testsupport::MosquittoBroker broker("allow_anonymous false\n");
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", broker.uri(), "-u", "u", "-P", "wrong"});
    EXPECT_TRUE(agent.waitForError("Connection failed: the broker refused it with return code 5 (not authorized)\n", 10s))
        << agent.standardError();
}

}  // namespace
