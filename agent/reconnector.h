#pragma once
// The agent's one reconnect mechanism. The MQTT library's automatic
// reconnect is off: the two raced for the same client, and the loser's
// failure started yet another round, so a short outage cost two intervals.
// Attempts run on a thread of their own, never on the library's delivering
// thread, which must not sleep.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace nolt {

// Between a lost or refused connection and the next attempt, for every
// connection the agent keeps.
inline constexpr auto kReconnectPause = std::chrono::milliseconds(2500);
// Before the next broker of a list, and before a connect the MQTT library
// refused because it was still winding up the last one.
inline constexpr auto kSwitchPause = std::chrono::milliseconds(100);

class Reconnector {
public:
    // attempt starts one asynchronous connect; its outcome comes back as a
    // new request() (failure) or as the connection itself.
    Reconnector(std::chrono::milliseconds pause, std::function<void()> attempt);
    ~Reconnector();
    Reconnector(const Reconnector&) = delete;
    Reconnector& operator=(const Reconnector&) = delete;

    // One attempt after the pause; requests made meanwhile join it.
    void request();
    // One attempt after a pause of its own (shorter: the next broker).
    void requestAfter(std::chrono::milliseconds pause);
    // No attempt from now on; waits for one that is being started.
    void stop();

private:
    void loop();

    const std::chrono::milliseconds pause_;
    std::function<void()> attempt_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool requested_ = false;
    std::chrono::milliseconds requestedPause_;
    bool stopped_ = false;
    std::thread thread_;
};

}  // namespace nolt
