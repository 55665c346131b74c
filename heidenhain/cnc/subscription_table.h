#pragma once
// The data callbacks of a session by subscription handle: written by remote
// calls on worker threads, read by data events on the SDK's event threads.
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "agent/callback.h"

namespace heidenhain {

class SubscriptionTable {
public:
    using DataCallback = nolt::Callback<nlohmann::json>;

    // Replaces a callback stored under the same handle.
    void set(std::int32_t handle, DataCallback callback) {
        std::lock_guard<std::mutex> lock(mutex_);
        callbacks_[handle] = std::move(callback);
    }
    void erase(std::int32_t handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        callbacks_.erase(handle);
    }
    // A copy, called by the caller without the lock; empty for an unknown handle.
    DataCallback find(std::int32_t handle) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = callbacks_.find(handle);
        return found == callbacks_.end() ? DataCallback() : found->second;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::int32_t, DataCallback> callbacks_;
};

}  // namespace heidenhain
