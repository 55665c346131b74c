#include "agent/tls_build.h"

#include "agent/broker_uris.h"

namespace nolt {

bool tlsBuilt() { return NOLT_MQTT_TLS != 0; }

std::optional<std::string> tlsUnavailable(const AgentOptions& options) {
    if (tlsBuilt()) return std::nullopt;
    std::string asked;
    if (usesTls(options.broker)) asked = "the broker " + options.broker;
    const std::pair<const char*, bool> switches[] = {
        {"--cafile", !options.trustStore.empty()}, {"--cert", !options.keyStore.empty()},
        {"--key", !options.privateKey.empty()},    {"--keypass", !options.privateKeyPassword.empty()},
        {"--insecure", !options.serverAuth}};
    for (const auto& [name, given] : switches) {
        if (given) asked += (asked.empty() ? "" : ", ") + std::string(name);
    }
    if (asked.empty()) return std::nullopt;
    return "this build of the agent has no TLS (its MQTT library was built without OpenSSL), so " + asked +
           " cannot be used: name a tcp:// or ws:// broker with -b, or install the TLS build (CMake preset "
           "windows-msvc)";
}

bool usesTls(const std::string& brokers) {
    for (const auto& uri : listedBrokers(brokers)) {
        for (const char* scheme : {"ssl://", "mqtts://", "wss://"}) {
            if (uri.rfind(scheme, 0) == 0) return true;
        }
    }
    return false;
}

}  // namespace nolt
