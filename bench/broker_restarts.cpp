// Broker restarts with a slow call in flight: each call, ending while the
// broker is down, must still be answered. Prints how many replies arrived
// and how long after the broker's return they came (the agent's reconnect).
//   broker_restarts [ROUNDS] [OUTAGE_MS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "agent/local_factory.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<int> running{0};

struct Slow {
    explicit Slow(const std::string&) {}
    int wait(int ms) {
        ++running;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        --running;
        return ms;
    }
};

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int outageMs = argc > 2 ? std::atoi(argv[2]) : 1000;
    auto& factory = nolt::LocalFactory::instance();
    factory.registerClass<Slow, std::string>("Slow");
    factory.registerMember("Slow", "wait", &Slow::wait);

    testsupport::MosquittoBroker broker("persistence true\npersistence_location {dir}\n");
    testsupport::InProcessAgent agent(broker.uri(), "bench", "restarts");
    testsupport::MqttTestClient client("restarts", false);
    client.connect(broker.uri());
    client.subscribe(agent.topic("__agentInfo__"));
    auto online = [](const testsupport::ReceivedMessage& m) {
        return m.isJson() && m.json.value("status", "") == "online";
    };
    if (!client.waitFor(online, 10s)) return std::puts("agent did not come online"), 1;
    const std::string id = client.call(agent.topic("Slow/__static__/__create__"), {{"data", {{"_1", "s"}}}})["data"]["r"];

    int answered = 0;
    std::vector<double> replied;
    for (int round = 0; round < rounds; ++round) {
        client.clearMessages();
        client.publish(agent.topic("Slow/" + id + "/wait"),
                       {{"sender", client.replyTopic()}, {"id", round}, {"data", {{"_1", outageMs / 2}}}});
        testsupport::waitFor([] { return running.load() > 0; }, 5s);
        broker.stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(outageMs));
        broker.restart();
        const auto returned = Clock::now();
        auto reply = client.waitFor([&](const testsupport::ReceivedMessage& m) {
            return m.topic == client.replyTopic() && m.isJson() && m.json.value("id", -1) == round;
        }, 30s);
        if (reply) ++answered, replied.push_back(msSince(returned));
    }
    auto report = [](const char* what, std::vector<double> v) {
        if (v.empty()) return std::printf("%-34s none\n", what), void();
        std::sort(v.begin(), v.end());
        std::printf("%-34s min %7.0f  median %7.0f  max %7.0f ms\n", what, v.front(), v[v.size() / 2], v.back());
    };
    std::printf("restarts with a call in flight: %d, outage %d ms\n", rounds, outageMs);
    std::printf("replies received                   %d of %d\n", answered, rounds);
    report("reply after broker return", replied);
    return answered == rounds ? 0 : 1;
}
