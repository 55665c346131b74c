#pragma once
// Paho C (1.3.12) serves every client of a process from one receive thread
// that polls the sockets it knew when the poll began, for up to a second. A
// connection opened meanwhile waits for that poll to end, once for the TCP
// connect and once for the CONNACK: measured here, a client connecting while
// another is connected takes about two seconds instead of ten milliseconds.
// Traffic on any known socket ends the poll at once, so test clients that
// wait for something publish to themselves now and then.
#include <algorithm>
#include <chrono>
#include <string>

namespace mqtt {
class async_client;
}

namespace testsupport {

inline constexpr std::chrono::milliseconds kMqttWakeInterval{5};

// A connected client subscribed (QoS 0) to its own wake topic.
void addWakeableClient(mqtt::async_client& client, const std::string& wakeTopic);
// To be called before the client disconnects or goes away.
void removeWakeableClient(mqtt::async_client& client);

// Has every wakeable client publish one QoS 0 message to its wake topic.
void wakeMqttLibrary();

// Calls waitSlice(slice) with slices of at most kMqttWakeInterval until it
// returns a true value or the bound has passed, waking the library between
// slices; returns the last result.
template <class WaitSlice>
auto waitWakingMqtt(std::chrono::milliseconds bound, WaitSlice waitSlice) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        auto result = waitSlice(std::clamp(left, std::chrono::milliseconds(0), kMqttWakeInterval));
        if (result || left <= kMqttWakeInterval) return result;
        wakeMqttLibrary();
    }
}

}  // namespace testsupport
