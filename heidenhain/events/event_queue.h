#pragma once
// The client events of one session, handed to the client callbacks one at a
// time on the agent's shared workers, in the order in which they were raised. A
// callback publishes, and publishing may wait for a broker that does not
// acknowledge: an SDK event thread that waited there would hold up the SDK
// (whose Unadvise waits for running handlers) and every disconnect, the
// table monitor its cycle and the disconnect that joins it, a remote call
// the session's locks. So raising an event never waits. When the queue is
// full its oldest event is dropped: the newest tell most about the machine
// now. Drops are counted, logged once as a run of them begins and once as it
// ends, and reported to the session.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace heidenhain {

class EventQueue {
public:
    // Events kept while they cannot be handed on; the agent's own outgoing
    // queue holds ten times as many for all sessions together.
    static constexpr std::size_t kBound = 1000;

    using Event = std::function<void()>;
    // The new total of dropped events, on the thread whose event made room.
    using DropObserver = std::function<void(std::uint64_t total)>;

    EventQueue(std::string sessionName, DropObserver onDrop, std::size_t bound = kBound);
    // Closes with a bound of a few seconds unless closed before.
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void raise(Event event);

    // Waits until the events raised before this call have been handed on or
    // dropped; false when the bound passed first, and at once while the
    // queue has not moved since a wait last gave up on it.
    bool settled(std::chrono::milliseconds bound);

    // No more events from now on. Waits as settled() does; the events still
    // queued then are handed on by the worker on its own.
    void close(std::chrono::milliseconds bound);

    struct State;

private:
    std::shared_ptr<State> state_;
    DropObserver onDrop_;
};

}  // namespace heidenhain
