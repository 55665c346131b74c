#include "agent/strand.h"

#include <asio/steady_timer.hpp>

#include "agent/event_loop.h"
#include "platform/log.h"

namespace nolt::strand_detail {

const void*& current() {
    thread_local const void* strand = nullptr;
    return strand;
}

void runGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        platform::logError("Queued task failed: " + std::string(e.what()));
    } catch (...) {
        platform::logError("Queued task failed");
    }
}

void post(std::function<void()> task) { EventLoop::instance().post(std::move(task)); }

class Timer {
public:
    explicit Timer(SteadyDuration after) : timer(EventLoop::instance().context(), after) {}
    asio::steady_timer timer;
};

std::shared_ptr<Timer> startTimer(SteadyDuration after, std::function<void()> expired) {
    auto timer = std::make_shared<Timer>(after);
    timer->timer.async_wait([expired = std::move(expired)](const asio::error_code& error) {
        if (!error) EventLoop::instance().runCounted(expired);
    });
    return timer;
}

void cancel(Timer& timer) { timer.timer.cancel(); }

}  // namespace nolt::strand_detail
