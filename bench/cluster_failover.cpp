// Stops, again and again, the node of a two-node RabbitMQ cluster that the
// agent (-b A,B) is on, in order (SIGTERM to the node, as a service stop
// sends it), and starts it again afterwards. Meanwhile a client on the other
// node calls getState every 20 ms. Prints the time from the stop to the
// first reply to a call made after it (the agent back on the other node and
// answering), median and worst, and the calls that were never answered or
// answered twice.
//   cluster_failover [stops, default 20]
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/agent_process.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/rabbitmq.h"

using nlohmann::json;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kMachine = "cnc/agent/DncShim/mill1/";
constexpr auto kCallEvery = 20ms;
constexpr auto kCallsAfterBack = 10;
constexpr auto kStraggler = 5s;

struct Round {
    double seconds = -1;
    int lost = 0;
    int twice = 0;
};

// Calls from `caller` while node `stopped` goes, until replies come again.
Round stopRound(testsupport::RabbitMqNode& stopped, testsupport::MqttTestClient& caller, int round) {
    caller.clearMessages();
    std::map<std::string, Clock::time_point> sent;
    const auto replyOf = [&](const std::string& id) {
        int count = 0;
        for (const auto& message : caller.messages()) {
            if (message.topic == caller.replyTopic() && message.isJson() && message.json.value("id", "") == id) ++count;
        }
        return count;
    };
    Round result;
    const auto stoppedAt = Clock::now();
    stopped.signal(SIGTERM);
    int afterBack = 0;
    for (int n = 0; afterBack < kCallsAfterBack && Clock::now() - stoppedAt < 60s; ++n) {
        const std::string id = std::to_string(round) + "-" + std::to_string(n);
        caller.publish(kMachine + "getState", {{"sender", caller.replyTopic()}, {"id", id}, {"data", json::object()}});
        sent[id] = Clock::now();
        std::this_thread::sleep_for(kCallEvery);
        if (result.seconds < 0) {
            for (const auto& [earlier, at] : sent) {
                if (replyOf(earlier) == 0) continue;
                result.seconds = std::chrono::duration<double>(Clock::now() - stoppedAt).count();
                break;
            }
        } else {
            ++afterBack;
        }
    }
    std::this_thread::sleep_for(kStraggler);
    for (const auto& [id, at] : sent) {
        const int replies = replyOf(id);
        if (replies == 0) ++result.lost;
        if (replies > 1) ++result.twice;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int stops = argc > 1 ? std::stoi(argv[1]) : 20;
    if (!testsupport::rabbitMqAvailable()) {
        std::fprintf(stderr, "no RabbitMQ server on this machine\n");
        return 1;
    }
    testsupport::RabbitMqNode nodes[2];
    nodes[1].joinCluster(nodes[0]);
    testsupport::MqttTestClient clients[2] = {testsupport::MqttTestClient("failover-a"),
                                              testsupport::MqttTestClient("failover-b")};
    for (int i = 0; i < 2; ++i) clients[i].connect(nodes[i].uri());
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", nodes[0].uri() + "," + nodes[1].uri()});
    if (!agent.waitForOutput("[OK]", 60s)) {
        std::fprintf(stderr, "the agent did not connect:\n%s\n", agent.standardOutput().c_str());
        return 1;
    }
    const auto call = [&](const std::string& topic, json data) {
        return clients[1].call("cnc/agent/" + topic, {{"data", std::move(data)}}, 15s)["data"];
    };
    call("DncShim/__static__/__createNamed__", {{"_1", "mill1"}, {"_2", "mill1"}});
    call("DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}});

    std::vector<double> times;
    int lost = 0;
    int twice = 0;
    int on = 0;  // the node the agent is on
    for (int stop = 0; stop < stops; ++stop) {
        const Round round = stopRound(nodes[on], clients[1 - on], stop);
        std::printf(
            "stop %2d of node %c: back after %.2f s, %d calls lost, %d "
            "answered twice\n",
            stop + 1, on == 0 ? 'A' : 'B', round.seconds, round.lost, round.twice);
        std::fflush(stdout);
        if (round.seconds < 0) {
            std::fprintf(stderr, "the agent did not come back:\n%s\n", agent.standardOutput().c_str());
            return 1;
        }
        times.push_back(round.seconds);
        lost += round.lost;
        twice += round.twice;
        nodes[on].restart();
        clients[on].waitConnected(30s);
        on = 1 - on;
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "%d stops: back on the other node and answering after median "
        "%.2f s, worst %.2f s; "
        "%d calls lost, %d answered twice\n",
        stops, times[times.size() / 2], times.back(), lost, twice);
    return 0;
}
