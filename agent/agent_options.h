#pragma once
#include <cstdint>
#include <string>

namespace nolt {

// The broker on this machine, over TLS; used when no -b is given. A broker
// elsewhere is named with -b (see README).
inline constexpr const char* kDefaultBrokerUri = "ssl://localhost:8883";

struct AgentOptions {
    std::string domain;
    std::string agent;
    std::string plugin;
    std::string username;
    std::string password;
    std::string token;
    std::string persistence;
    std::string trustStore;
    std::string keyStore;
    std::string privateKey;
    std::string privateKeyPassword;
    std::string enabledCipherSuites;
    std::string broker = kDefaultBrokerUri;
    std::uint32_t connectTimeout = 10;
    std::uint32_t keepAlive = 120;
    bool cleanSession = true;
    // Verify the broker's certificate and host name (TLS brokers); only an
    // explicit switch turns it off.
    bool serverAuth = true;
    bool help = false;
    // Requests longer than this are refused with an error: room for NC
    // programs of a few tens of MB sent as Base64.
    std::uint64_t maxRequestBytes = std::uint64_t(64) << 20;
    // Workers the agent starts on demand beyond one per connected machine
    // (-w), so that calls blocked in a slow controller hold up no other.
    std::uint32_t burstWorkers = 256;
    // Sparkplug B group id (--sparkplug); empty: no Sparkplug B node.
    std::string sparkplugGroup;

    bool operator==(const AgentOptions&) const = default;
};

}  // namespace nolt
