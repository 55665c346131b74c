#pragma once
// Freed memory handed back to the system a while after instances were
// deleted: once for a whole batch of deletes, on a worker of the pool.
#include <chrono>
#include <memory>

namespace nolt {

class MemoryRelease {
public:
    static constexpr std::chrono::seconds kDelay{2};

    MemoryRelease();
    ~MemoryRelease();
    MemoryRelease(const MemoryRelease&) = delete;
    MemoryRelease& operator=(const MemoryRelease&) = delete;

    // Something large was freed: release in kDelay unless a release is due already.
    void request();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace nolt
