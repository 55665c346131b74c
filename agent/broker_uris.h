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
// The entries of the list as given, trimmed, unchecked.
std::vector<std::string> listedBrokers(const std::string& option);

// The agent's way along the list. The first round of attempts starts with
// the first broker; a lost connection starts a round at once with the broker
// after the lost one, so that the next broker takes over without the pause.
// Within a round a failed attempt goes on with the next broker at once; only
// a round in which all failed waits before the next, which starts with the
// first. The agent attempts one broker at a time, so that it knows which one
// took the connection without the library's connect listener, which the
// library sometimes skips. With several, each switch is logged once, naming
// the broker.
class BrokerRotation {
public:
    explicit BrokerRotation(const std::string& option) : uris_(brokerUris(option)), current_(uris_.front()) {}

    bool several() const { return uris_.size() > 1; }
    // The broker of the next attempt.
    std::string attempt() const;
    // The attempt failed: true when another broker of this round is left.
    bool failed();
    // The attempt took the connection.
    void connected();
    // The connection was lost: the next round starts with the next broker.
    void lost();
    // The broker of the connection, or of the last one.
    std::string current() const;

private:
    const std::vector<std::string> uris_;
    mutable std::mutex mutex_;
    std::size_t next_ = 0;
    std::size_t roundStart_ = 0;
    std::size_t connectedTo_ = 0;
    std::string current_;
    bool connectedBefore_ = false;
};

}  // namespace nolt
