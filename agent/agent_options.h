#pragma once
#include <cstdint>
#include <string>

namespace nolt {

// A public broker reached over TLS; used when no -b is given.
inline constexpr const char* kDefaultBrokerUri = "ssl://test.mosquitto.org:8883";

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
    bool serverAuth = false;
    bool help = false;
    // Requests longer than this are refused with an error: room for NC
    // programs of a few tens of MB sent as Base64.
    std::uint64_t maxRequestBytes = std::uint64_t(64) << 20;
};

}  // namespace nolt
