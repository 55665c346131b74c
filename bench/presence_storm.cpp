// A storm of machine state events on one simulated machine (100 and 1000 a
// second for 3 s each): how many retained presence messages the agent
// publishes for it, and whether the last one carries the last state.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "dnc/machine.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "heidenhain/session/registration.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

void storm(testsupport::MqttTestClient& client, const std::string& topic, const std::string& host, int perSecond) {
    client.clearMessages();
    const auto period = std::chrono::microseconds(1000000 / perSecond);
    const auto duration = 3s;
    const auto start = std::chrono::steady_clock::now();
    int raised = 0;
    for (auto next = start; next - start < duration; next += period) {
        std::this_thread::sleep_until(next);
        // Alternating, ending on "machine_is_available".
        const bool last = next + period - start >= duration;
        dncsim::Simulator::instance().raiseMachineEvent(
            host, last || raised % 2 ? dnc::DNC_EVT_STATE_MACHINE_AVAILABLE : dnc::DNC_EVT_STATE_MACHINE_BOOTED);
        ++raised;
    }
    dncsim::Simulator::instance().drainEvents(5s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The last message may still be held back for up to one interval.
    std::this_thread::sleep_for(500ms);
    int published = 0;
    std::string lastState = "(none)";
    for (const auto& message : client.messages()) {
        if (message.topic != topic) continue;
        ++published;
        lastState = message.json.value("state", "");
    }
    std::printf("%5d events/s: %5d events in %.2f s -> %3d presence messages (%.1f/s), last state %s\n", perSecond,
                raised, seconds, published, published / seconds, lastState.c_str());
}

}  // namespace

int main() {
    dncsim::installSimulatedSdk();
    heidenhain::registerDncShim();
    testsupport::MosquittoBroker broker;
    testsupport::InProcessAgent agent(broker.uri(), "bench", "presence");
    testsupport::MqttTestClient client("bench-presence");
    client.connect(broker.uri());
    client.call(agent.topic("DncShim/__static__/__createNamed__"), {{"data", {{"_1", "mill1"}, {"_2", "mill1"}}}});
    client.call(agent.topic("DncShim/mill1/connect"), {{"data", {{"_1", "storm.local"}, {"_2", "tnc640"}}}}, 15s);
    const std::string topic = agent.topic("DncShim/mill1/__machineInfo__");
    client.subscribe(topic);
    client.waitForMessageOn(topic);
    for (int rate : {100, 1000}) storm(client, topic, "storm.local", rate);
    return 0;
}
