#pragma once
// Everything the agent publishes goes through one ordered, bounded queue.
// The MQTT library holds only a small window of it at a time, so its own
// buffer never overflows (it drops a publication with error -12 when it
// does); a publication stays queued until the broker acknowledged it, so
// one that a broken link swallowed is sent again after the reconnect, in
// its place. Not on another broker, though: a node of a cluster may have
// passed it on before it went, and a reply must not arrive twice.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <mqtt/async_client.h>

namespace nolt {

struct OutboxLimits {
    std::size_t messages = 10000;
    std::size_t bytes = std::size_t{256} << 20;
    // Publications handed to the MQTT library and not yet acknowledged;
    // below its buffer of 100 commands.
    std::size_t window = 64;
};

// "10000 messages or 256 MB; ..." for the printed options.
std::string describe(const OutboxLimits& limits);

class Outbox : public virtual mqtt::iaction_listener {
public:
    Outbox(std::shared_ptr<mqtt::async_client> client, OutboxLimits limits = {});
    ~Outbox() override;
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Queues a QoS 1 publication. A retained one replaces a retained one of
    // the same topic that is not sent yet (it is out of date) and never
    // waits: the MQTT library's own thread publishes those. Any other waits
    // for room while the link is up; while it is down, the oldest kept
    // publication that is not retained makes room.
    void publish(const std::string& topic, std::string payload, bool retained);
    // A reply that the link for large replies gives back: never waits. One
    // that `sentTo` was given already, unacknowledged, is sent again only on
    // that broker (empty: none was given it).
    void handBack(const std::string& topic, std::string payload, const std::string& sentTo);

    // The link is up on this broker.
    void linkUp(const std::string& broker);
    void linkDown();

    // Waits until everything queued was acknowledged; false when the link
    // is down or the bound passed first.
    bool flush(std::chrono::milliseconds bound);

    // From now on no publication waits for room (the agent is stopping and
    // its workers must end).
    void stopWaiting();

    // Ends the sending thread; what is still queued is dropped.
    void shutdown();

    std::size_t queued() const;

    // Publication acknowledged or failed (the MQTT library's thread).
    void on_success(const mqtt::token& token) override;
    void on_failure(const mqtt::token& token) override;

private:
    struct Entry {
        std::uint64_t seq;
        std::string topic;
        mqtt::binary_ref payload;
        bool retained;
        std::uint64_t sentOnLink = 0;  // 0: not handed to the library on the current link
        int sentTo = 0;                // the broker it was handed to last (brokerId), 0: none
        bool done = false;
    };

    void sendLoop();
    bool hasRoom(std::size_t size) const;
    bool dropOldest();
    Entry* find(std::uint64_t seq);
    Entry* nextToSend();
    void settle(const mqtt::token& token, bool delivered);
    void popDone();
    int brokerId(const std::string& broker);
    void logNotSentAgain(std::size_t count);
    // Drops the replies and events that another broker than the current one was given.
    void dropSentElsewhere();

    std::shared_ptr<mqtt::async_client> client_;
    const OutboxLimits limits_;

    mutable std::mutex mutex_;
    std::condition_variable wakeSender_;
    std::condition_variable roomOrDone_;
    std::deque<Entry> entries_;
    std::size_t bytes_ = 0;
    std::size_t inFlight_ = 0;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t link_ = 1;  // counts links; an entry sent on an older one is sent again
    std::map<std::string, int> brokerIds_;
    int broker_ = 0;  // of the current or last link
    bool up_ = false;
    bool noWaiting_ = false;
    bool shutdown_ = false;
    std::size_t droppedThisOutage_ = 0;
    std::thread sender_;
};

}  // namespace nolt
