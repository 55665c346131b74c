#pragma once
// The one background thread of a session's table monitor. The body decides
// when it ends; stop() wakes its waits and joins it.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace heidenhain {

// Whether sessions start their table monitor. Always on in the agent; tests of
// other functions switch it off, so that no background cycle competes with the
// SDK calls and event-log lines they count.
void setTableMonitorAutostart(bool on);
bool tableMonitorAutostart();

class MonitorThread {
public:
    MonitorThread() = default;
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;
    ~MonitorThread() { stop(); }

    // True while a thread is held, running or ended by itself.
    bool held() const;
    // Stops and joins the thread held, if any, and starts `body` on a new one:
    // at most one exists per session, and a thread that was about to end
    // cannot be mistaken for the one that should run.
    void start(std::function<void()> body);
    // Asks the body to end, wakes its wait and joins the thread; afterwards
    // none is held.
    void stop();
    // True once stop() was called for the running body: it must end.
    bool stopping() const;
    // Waits up to `slice` or until stop() is called.
    void pause(std::chrono::milliseconds slice);

private:
    struct Running;
    void stopLocked();
    // Serialises whole start and stop sequences.
    std::mutex sequence_;
    mutable std::mutex mutex_;
    std::shared_ptr<Running> running_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace heidenhain
