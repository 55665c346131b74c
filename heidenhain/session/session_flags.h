#pragma once
// The three flags of a session's connection state. They are read without a
// lock from every thread that touches the session (workers, SDK event
// threads, the table monitor), hence atomics.
#include <atomic>

namespace heidenhain {

struct SessionFlags {
    std::atomic<bool> connected{false};
    std::atomic<bool> disconnectPending{false};
    std::atomic<bool> awaitingFinalDisconnection{false};

    // What every online call tests: connected and no disconnect scheduled.
    bool isConnected() const { return connected && !disconnectPending; }
};

}  // namespace heidenhain
