#pragma once
// The timed work of a session's table monitor: a cycle every interval, run
// as a task of the session's call queue on the agent's shared workers, so
// that a thousand sessions need no thousand threads and a cycle never meets
// a call of its own session inside the SDK. The cycle decides when the
// monitor ends; stop() waits for a cycle that is running.
#include <chrono>
#include <functional>
#include <memory>

#include "agent/serial_queue.h"

namespace heidenhain {

// Whether sessions start their table monitor. Always on in the agent; tests of
// other functions switch it off, so that no background cycle competes with the
// SDK calls and event-log lines they count.
void setTableMonitorAutostart(bool on);
bool tableMonitorAutostart();

class MonitorSchedule {
public:
    // One cycle; false ends the monitor.
    using Cycle = std::function<bool()>;
    using Interval = std::function<std::chrono::milliseconds()>;

    MonitorSchedule(std::shared_ptr<nolt::SerialQueue> queue, Interval interval);
    MonitorSchedule(const MonitorSchedule&) = delete;
    MonitorSchedule& operator=(const MonitorSchedule&) = delete;
    ~MonitorSchedule() { stop(); }

    // True from start() until stop(), also once the cycle ended the monitor.
    bool held() const;
    // Stops the monitor held, if any, and runs `cycle` at once and then every
    // interval after the end of the one before: at most one per session.
    void start(Cycle cycle);
    // No cycle runs once this returns, except the one that called it.
    void stop();
    // True once stop() was called for the running cycle: it must end.
    bool stopping() const;
    // The interval was changed: the pending wait is measured again with it.
    void intervalChanged();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace heidenhain
