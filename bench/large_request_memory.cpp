// Memory of the built agent while it answers one large request (a part
// program sent as Base64 to a session): its peak and what stays allocated
// afterwards, against the size of the request.
//
//   large_request_memory [megabytes [agent executable]]
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "bench/process_status.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 50;
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient client("memory");
    client.connect(broker.uri());
    client.subscribe("mem/agent/DncShim/__classInfo__");
    testsupport::AgentProcess agent({"-d", "mem", "-a", "agent", "-b", broker.uri()},
                                    argc > 2 ? argv[2] : NOLT_AGENT_EXECUTABLE);
    if (!client.waitForMessageOn("mem/agent/DncShim/__classInfo__", 30s)) return 1;
    const std::string id = client.call("mem/agent/DncShim/__static__/__create__", {{"data", {{"_1", "m"}}}})["data"]["r"];
    const long before = processStatusKb(agent.pid(), "VmRSS");

    // Not connected: the request is parsed, its arguments converted, the
    // refusal written into it and the whole of it sent back.
    const std::string request = json{{"sender", client.replyTopic()},
                                     {"id", "big"},
                                     {"data", {{"_1", std::string(megabytes << 20, 'A')}, {"_2", "TNC:\\big.h"}}}}
                                    .dump();
    const auto start = std::chrono::steady_clock::now();
    client.publishText("mem/agent/DncShim/" + id + "/transmitFile", request, false, 120s);
    auto reply = client.waitFor([](const auto& m) { return m.isJson() && m.json["id"] == "big"; }, 300s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = processStatusKb(agent.pid(), "VmHWM");
    // The agent gives freed memory back a moment after such a request.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long after = processStatusKb(agent.pid(), "VmRSS");
    const double payloadKb = request.size() / 1024.0;
    std::printf("request                : %.1f MB\n", request.size() / 1e6);
    std::printf("answered               : %s in %.2f s (%s)\n", reply ? "yes" : "NO", seconds,
                reply ? reply->json["data"].value("e", "").c_str() : "");
    std::printf("agent RSS before       : %ld kB\n", before);
    std::printf("agent peak RSS         : %ld kB (%.2f x the request above the start)\n", peak, (peak - before) / payloadKb);
    std::printf("agent RSS 3 s after    : %ld kB (%.2f x the request above the start)\n", after,
                (after - before) / payloadKb);
    agent.signal(SIGTERM);
    agent.waitForExit(30s);
    return reply ? 0 : 1;
}
