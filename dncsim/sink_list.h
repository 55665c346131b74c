#pragma once
// The sinks attached to one simulated event source (a connection point).
// Events are delivered on the event thread; once unadvise() has returned the
// sink is not called again, also when an event for it was already under way.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "dnc/result.h"
#include "dncsim/event_pump.h"

namespace dncsim {

// Cookies are unique in the process and never 0.
std::uint32_t nextCookie();

template <class Sink>
class SinkList {
public:
    dnc::HRESULT advise(std::shared_ptr<Sink> sink, std::uint32_t* cookie) {
        if (cookie == nullptr || sink == nullptr) return dnc::kPointer;
        std::lock_guard<std::mutex> lock(state_->mutex);
        *cookie = nextCookie();
        state_->sinks.emplace(*cookie, std::move(sink));
        return dnc::kOk;
    }

    dnc::HRESULT unadvise(std::uint32_t cookie) {
        std::unique_lock<std::mutex> lock(state_->mutex);
        if (state_->sinks.erase(cookie) == 0) return dnc::kNoConnection;
        // A sink that detaches itself from inside its handler must not wait for itself.
        if (!onEventThread()) {
            state_->idle.wait(lock, [&] { return state_->delivering != cookie; });
        }
        return dnc::kOk;
    }

    bool empty() const {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->sinks.empty();
    }

    // Queues `call` for every sink attached when the event thread gets to it.
    // Events of a source that is gone by then are dropped.
    void raise(EventPump& pump, std::function<void(Sink&)> call) {
        std::weak_ptr<State> weak = state_;
        pump.post([weak, call = std::move(call)] {
            if (auto state = weak.lock()) state->deliver(call);
        });
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable idle;
        std::map<std::uint32_t, std::shared_ptr<Sink>> sinks;
        std::uint32_t delivering = 0;

        void deliver(const std::function<void(Sink&)>& call) {
            std::vector<std::uint32_t> cookies;
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (const auto& entry : sinks) cookies.push_back(entry.first);
            }
            for (auto cookie : cookies) {
                std::shared_ptr<Sink> sink;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    auto it = sinks.find(cookie);
                    if (it == sinks.end()) continue;  // detached meanwhile
                    sink = it->second;
                    delivering = cookie;
                }
                try {
                    call(*sink);
                } catch (...) {
                }
                std::lock_guard<std::mutex> lock(mutex);
                delivering = 0;
                idle.notify_all();
            }
        }
    };

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace dncsim
