// Stops, again and again, the node of a two-node RabbitMQ cluster that the
// agent (-b A,B) is on, in order (SIGTERM to the node, as a service stop
// sends it); a fresh cluster each time, since a stopped node of 3.10 took
// up to 100 s to take MQTT clients again after its restart. Meanwhile a
// client on the other node calls getState every 20 ms. Prints the time from the stop until the
// agent announced itself online on the other node and answered a call made
// after that, median and worst, and the calls that were never answered or
// answered twice.
//   cluster_failover [stops, default 20]
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/agent_process.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/rabbitmq.h"
#include "tests/support/wine.h"

using nlohmann::json;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kMachine = "cnc/agent/DncShim/mill1/";
const std::string kInfo = "cnc/agent/__agentInfo__";
constexpr auto kCallEvery = 20ms;
constexpr auto kCallsAfterBack = 10;
constexpr auto kStraggler = 5s;

struct Round {
    double seconds = -1;
    int lost = 0;       // sent while the agent was away: no subscriber took them
    int lostAfter = 0;  // sent once it was back
    int twice = 0;
};

// Calls from `caller` while node `stopped` goes. The agent is back once it
// announced itself online again and answered a call made after that.
Round stopRound(testsupport::RabbitMqNode& stopped, testsupport::MqttTestClient& caller, int round) {
    caller.clearMessages();
    std::map<std::string, Clock::time_point> sent;
    const auto repliesTo = [&](const std::string& id) {
        int count = 0;
        for (const auto& message : caller.messages()) {
            if (message.topic == caller.replyTopic() && message.isJson() && message.json.value("id", "") == id) ++count;
        }
        return count;
    };
    const auto announced = [&] {
        const auto messages = caller.messages();
        return std::any_of(messages.begin(), messages.end(), [](const testsupport::ReceivedMessage& message) {
            return message.topic == kInfo && testsupport::isAgentStatus(message, "online");
        });
    };
    Round result;
    const auto stoppedAt = Clock::now();
    auto onlineAt = Clock::time_point::max();
    auto backAt = Clock::time_point::max();
    stopped.signal(SIGTERM);
    int afterBack = 0;
    for (int n = 0; afterBack < kCallsAfterBack && Clock::now() - stoppedAt < 60s; ++n) {
        const std::string id = std::to_string(round) + "-" + std::to_string(n);
        caller.publish(kMachine + "getState", {{"sender", caller.replyTopic()}, {"id", id}, {"data", json::object()}});
        sent[id] = Clock::now();
        std::this_thread::sleep_for(kCallEvery);
        if (onlineAt == Clock::time_point::max()) {
            if (announced()) onlineAt = Clock::now();
        } else if (backAt == Clock::time_point::max()) {
            for (const auto& [earlier, at] : sent) {
                if (at < onlineAt || repliesTo(earlier) == 0) continue;
                backAt = Clock::now();
                result.seconds = std::chrono::duration<double>(backAt - stoppedAt).count();
                break;
            }
        } else {
            ++afterBack;
        }
    }
    std::this_thread::sleep_for(kStraggler);
    for (const auto& [id, at] : sent) {
        const int replies = repliesTo(id);
        if (replies == 0) ++(at < backAt ? result.lost : result.lostAfter);
        if (replies > 1) ++result.twice;
    }
    return result;
}

// One stop of a fresh cluster's node A, the agent on it and a client on B;
// null when the agent did not come online at first.
std::optional<Round> freshClusterRound(int stop) {
    testsupport::RabbitMqNode a, b;
    b.joinCluster(a);
    testsupport::MqttTestClient caller("failover");
    caller.connect(b.uri());
    caller.subscribe(kInfo);
    testsupport::AgentProcess agent({"-d", "cnc", "-a", "agent", "-b", a.uri() + "," + b.uri()});
    const auto online = [](const testsupport::ReceivedMessage& message) {
        return testsupport::isAgentStatus(message, "online");
    };
    if (!caller.waitFor(online, 60s)) {
        std::fprintf(stderr, "the agent did not connect:\n%s\n", agent.standardOutput().c_str());
        return std::nullopt;
    }
    const auto call = [&](const std::string& topic, json data) {
        return caller.call("cnc/agent/" + topic, {{"data", std::move(data)}}, 15s)["data"];
    };
    call("DncShim/__static__/__createNamed__", {{"_1", "mill1"}, {"_2", "mill1"}});
    call("DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}});
    const Round round = stopRound(a, caller, stop);
    if (round.seconds < 0) std::fprintf(stderr, "the agent did not come back:\n%s\n", agent.standardOutput().c_str());
    return round;
}

}  // namespace

int main(int argc, char** argv) {
    const int stops = argc > 1 ? std::stoi(argv[1]) : 20;
    if (!testsupport::rabbitMqAvailable()) {
        std::fprintf(stderr, "no RabbitMQ server on this machine\n");
        return 1;
    }
    std::vector<double> times;
    int lost = 0;
    int lostAfter = 0;
    int twice = 0;
    for (int stop = 0; stop < stops; ++stop) {
        const auto round = freshClusterRound(stop);
        if (!round || round->seconds < 0) return 1;
        std::printf("stop %2d: back after %.2f s; unanswered %d calls sent meanwhile, %d after; %d answered twice\n",
                    stop + 1, round->seconds, round->lost, round->lostAfter, round->twice);
        std::fflush(stdout);
        times.push_back(round->seconds);
        lost += round->lost;
        lostAfter += round->lostAfter;
        twice += round->twice;
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "%d stops: back on the other node and answering after median %.2f s, worst %.2f s; "
        "unanswered %d calls sent while it was away, %d after; %d answered twice\n",
        stops, times[times.size() / 2], times.back(), lost, lostAfter, twice);
    return 0;
}
