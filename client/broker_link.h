#pragma once
// The client's one connection to the broker: its own reply topic, retained
// messages read up to a barrier, requests published and their answers
// waited for with a bound.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <mqtt/async_client.h>

#include "agent/agent_options.h"

namespace nolt::client {

struct Received {
    std::string topic;
    std::string payload;
};

class BrokerLink {
public:
    // Connects and subscribes the reply topic; with `announceOffline` the
    // broker publishes the client info "offline" when the link breaks, as
    // the client itself does in goOffline(). Throws ClientError.
    BrokerLink(const AgentOptions& options, std::chrono::milliseconds bound, bool announceOffline = false);
    ~BrokerLink();
    BrokerLink(const BrokerLink&) = delete;
    BrokerLink& operator=(const BrokerLink&) = delete;

    // Three levels, so that the agent can follow its client info.
    const std::string& replyTopic() const { return replyTopic_; }

    void subscribe(const std::string& filter);
    // Returns once every message that the broker had for this client before
    // the call arrived (retained ones of earlier subscriptions included).
    void sync();
    void publish(const std::string& topic, const std::string& payload, bool retained = false);

    // Asks the agents that follow `topic` (DOMAIN/__discover__, or
    // __discover__ for all) for what they retain; their answers join the
    // messages seen, by topic. Returns once `quiet` passed without an answer;
    // at once when the topic was asked before on this link.
    void discover(const std::string& topic, std::chrono::milliseconds quiet);

    // The retained state of every topic seen so far that matches: the last
    // payload per topic, cleared topics left out.
    std::vector<Received> latestMatching(const std::function<bool(const std::string& topic)>& matches) const;

    // The next message on the reply topic for which `matches` holds, taken;
    // empty after the bound or once interrupted.
    std::optional<Received> waitForReply(const std::function<bool(const Received&)>& matches,
                                         std::chrono::milliseconds bound);
    // Makes waits return empty from now on (from any thread).
    void interrupt();
    bool interrupted() const;

    // Publishes the client info "offline" and disconnects.
    void goOffline();

    std::chrono::milliseconds bound() const { return bound_; }

private:
    void arrived(mqtt::const_message_ptr message);

    const std::chrono::milliseconds bound_;
    std::string replyTopic_;
    std::string brokerUri_;
    std::unique_ptr<mqtt::async_client> client_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Received> replies_;
    std::vector<Received> seen_;  // every message not on the reply topic, in order
    std::string lastSync_;
    std::set<std::string> discovered_;
    bool interrupted_ = false;
    bool lost_ = false;
};

}  // namespace nolt::client
