#include "agent/memory_release.h"

#include <mutex>

#include <asio.hpp>

#include "agent/event_loop.h"
#include "platform/large_allocations.h"

namespace nolt {

struct MemoryRelease::State {
    std::mutex mutex;
    asio::steady_timer timer{EventLoop::instance().context()};
    bool pending = false;
};

MemoryRelease::MemoryRelease() : state_(std::make_shared<State>()) {}

MemoryRelease::~MemoryRelease() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->timer.cancel();
}

void MemoryRelease::request() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->pending) return;
    state_->pending = true;
    state_->timer.expires_after(kDelay);
    state_->timer.async_wait([weak = std::weak_ptr<State>(state_)](const asio::error_code& error) {
        auto state = weak.lock();
        if (error || !state) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->pending = false;
        }
        EventLoop::instance().runCounted(platform::releaseFreedMemory);
    });
}

}  // namespace nolt
