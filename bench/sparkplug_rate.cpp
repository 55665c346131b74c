// The Sparkplug B node at shop-floor scale: 1000 connected machines, machine
// state events at 10 a second in all, spread over them. Prints the node's
// messages a second by type and their bytes, the DDATA per event, and how
// long a rebirth of every device takes.
//   sparkplug_rate [machines, default 1000] [seconds, default 20] [events a second, default 10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "agent/sparkplug/payload.h"
#include "dnc/machine.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/session/registration.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::string typeOf(const std::string& topic) {
    const auto first = topic.find('/', topic.find('/') + 1);
    return topic.substr(first + 1, topic.find('/', first + 1) - first - 1);
}

}  // namespace

int main(int argc, char** argv) {
    const int machines = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    const int perSecond = argc > 3 ? std::atoi(argv[3]) : 10;
    dncsim::installSimulatedSdk();
    heidenhain::registerDncShim();
    testsupport::MosquittoBroker broker;
    nolt::AgentOptions options;
    options.domain = "bench";
    options.agent = "edge";
    options.broker = broker.uri();
    options.sparkplugGroup = "plant";
    testsupport::InProcessAgent agent(options);
    testsupport::MqttTestClient client("bench-sparkplug"), host("bench-scada");
    client.connect(broker.uri());
    host.connect(broker.uri());
    host.subscribe("spBv1.0/#");

    const auto setupStart = Clock::now();
    for (int i = 0; i < machines; ++i) {
        const std::string name = "m" + std::to_string(i);
        client.call(agent.topic("DncShim/__static__/__createNamed__"), {{"data", {{"_1", name}, {"_2", name}}}});
        client.call(agent.topic("DncShim/" + name + "/connect"), {{"data", {{"_1", name + ".local"}, {"_2", "tnc640"}}}},
                    15s);
    }
    std::printf("%d machines created and connected in %.1f s\n", machines,
                std::chrono::duration<double>(Clock::now() - setupStart).count());
    // Every device born and its connect reported before counting starts.
    testsupport::waitFor([&] { return host.messages().size() >= static_cast<std::size_t>(3 * machines); }, 60s);
    std::this_thread::sleep_for(1s);
    host.clearMessages();

    const auto period = std::chrono::microseconds(1000000 / perSecond);
    const auto start = Clock::now();
    int raised = 0;
    for (auto next = start; next - start < std::chrono::seconds(seconds); next += period) {
        std::this_thread::sleep_until(next);
        const std::string machine = "m" + std::to_string((raised * 7919) % machines) + ".local";
        dncsim::Simulator::instance().raiseMachineEvent(
            machine, raised % 2 ? dnc::DNC_EVT_STATE_MACHINE_AVAILABLE : dnc::DNC_EVT_STATE_MACHINE_BOOTED);
        ++raised;
    }
    dncsim::Simulator::instance().drainEvents(5s);
    std::this_thread::sleep_for(500ms);  // the last summaries may be held back one interval
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::map<std::string, std::pair<int, std::size_t>> byType;
    for (const auto& message : host.messages()) {
        auto& [count, bytes] = byType[typeOf(message.topic)];
        ++count;
        bytes += message.payload.size();
    }
    std::printf("%d state events in %.1f s (%.1f/s) over %d machines:\n", raised, elapsed, raised / elapsed, machines);
    for (const auto& [type, figures] : byType) {
        std::printf("  %-7s %6d messages  %6.1f/s  %8.1f bytes/s\n", type.c_str(), figures.first,
                    figures.first / elapsed, static_cast<double>(figures.second) / elapsed);
    }
    std::printf("  DDATA per event: %.2f\n", byType["DDATA"].first / static_cast<double>(raised));

    // A host's rebirth request: NBIRTH and every DBIRTH again.
    host.clearMessages();
    const auto rebirthStart = Clock::now();
    const std::string rebirth = nolt::sparkplug::encodePayload(
        {{nolt::sparkplug::kRebirth, nolt::sparkplug::DataType::Boolean, true}}, std::nullopt);
    host.publishText("spBv1.0/plant/NCMD/edge", rebirth);
    const bool reborn = testsupport::waitFor(
        [&] { return host.messages().size() >= static_cast<std::size_t>(machines + 1); }, 60s);
    std::printf("rebirth of %d devices: %s in %.2f s\n", machines, reborn ? "complete" : "INCOMPLETE",
                std::chrono::duration<double>(Clock::now() - rebirthStart).count());
    if (!reborn) {
        std::map<std::string, int> counts;
        for (const auto& message : host.messages()) ++counts[typeOf(message.topic)];
        for (const auto& [type, count] : counts) std::printf("  %s %d\n", type.c_str(), count);
        std::printf("  broker received %zu DBIRTH, sent %zu\n", broker.logCount("Received PUBLISH from nolts"),
                    broker.logCount("Sending PUBLISH to nolt-test"));
    }
    return 0;
}
