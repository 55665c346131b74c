#include "tests/support/mqtt_wakeup.h"

#include <mqtt/async_client.h>

#include <map>
#include <mutex>

namespace testsupport {
namespace {

std::mutex wakeableMutex;
// Held under the mutex while publishing, so a client cannot go away meanwhile.
std::map<mqtt::async_client*, std::string>& wakeableClients() {
    static std::map<mqtt::async_client*, std::string> clients;
    return clients;
}

}  // namespace

void addWakeableClient(mqtt::async_client& client, const std::string& wakeTopic) {
    std::lock_guard<std::mutex> lock(wakeableMutex);
    wakeableClients()[&client] = wakeTopic;
}

void removeWakeableClient(mqtt::async_client& client) {
    std::lock_guard<std::mutex> lock(wakeableMutex);
    wakeableClients().erase(&client);
}

void wakeMqttLibrary() {
    std::lock_guard<std::mutex> lock(wakeableMutex);
    for (auto& [client, topic] : wakeableClients()) {
        try {
            client->publish(topic, "", 0, 0, false);
        } catch (const mqtt::exception&) {
            // Not connected at the moment: another client may do.
        }
    }
}

}  // namespace testsupport
