#pragma once
// The brokers of -b: one URI, or several separated by commas. The agent, its
// Sparkplug B node and the client connect to the first that answers and,
// after a lost connection, try them again in order, so that a plant's
// second broker (or another node of a cluster) takes over.
#include <mutex>
#include <string>
#include <vector>

namespace nolt {

// The URIs in order, spaces around each trimmed. Throws std::invalid_argument
// when a list of several holds an empty entry or one that names no scheme the
// MQTT library knows; a single URI is left to the library, as it always was.
std::vector<std::string> brokerUris(const std::string& option);

// Which broker of the list the connection is on. With several, each switch
// is logged once, naming the broker.
class ConnectedBroker {
public:
    explicit ConnectedBroker(const std::string& option) : uris_(brokerUris(option)), current_(uris_.front()) {}

    // After each connect, with the URI the library reports (empty: unknown).
    void connectedTo(const std::string& uri);
    std::string current() const;

private:
    const std::vector<std::string> uris_;
    mutable std::mutex mutex_;
    std::string current_;
    bool connectedBefore_ = false;
};

}  // namespace nolt
