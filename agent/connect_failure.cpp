#include "agent/connect_failure.h"

#include <mutex>

#include <mqtt/token.h>

namespace nolt {
namespace {

std::mutex tlsMutex;
std::string tlsFileFailure;

// The refusals of a CONNACK (MQTT 3.1.1).
const char* connackText(int code) {
    switch (code) {
        case 1: return "unacceptable protocol version";
        case 2: return "client identifier rejected";
        case 3: return "server unavailable";
        case 4: return "bad user name or password";
        case 5: return "not authorized";
        default: return "refused";
    }
}

}  // namespace

std::string connectFailureText(const mqtt::token& token) {
    const int code = token.get_return_code();
    if (code > 0) {
        return "Connection failed: the broker refused it with return code " + std::to_string(code) + " (" +
               connackText(code) + ")";
    }
    std::string tls;
    {
        std::lock_guard<std::mutex> lock(tlsMutex);
        tls = tlsFileFailure;
    }
    if (!tls.empty()) return "Connection failed: TLS: " + tls;
    // No broker answered: nothing more to say.
    return "Connection failed";
}

void setTlsFileProblem(const std::string& problem) {
    std::lock_guard<std::mutex> lock(tlsMutex);
    tlsFileFailure = problem;
}

std::string subscriptionRefusalText(const std::string& topic) {
    return "Connection failed: the broker refused the subscription of " + topic;
}

std::string subscriptionFailureText(int code) {
    return "Connection failed: the subscriptions were not taken (error " + std::to_string(code) + ")";
}

}  // namespace nolt
