#pragma once
// A steady clock that moves only when the test says so, installed for the
// lifetime of the object (the real clock comes back afterwards).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace testsupport {

class FakeClock {
public:
    explicit FakeClock(std::chrono::nanoseconds start = std::chrono::seconds(1000));
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    // Moves the clock forward; milliseconds and seconds convert implicitly.
    void advance(std::chrono::nanoseconds step);
    void advanceMs(std::int64_t milliseconds) { advance(std::chrono::milliseconds(milliseconds)); }
    void advanceNs(std::int64_t nanoseconds) { advance(std::chrono::nanoseconds(nanoseconds)); }

    std::int64_t nowNs() const;

private:
    // Shared with the installed clock function, which a thread may still be
    // calling while this object goes away.
    std::shared_ptr<std::atomic<std::int64_t>> now_;
};

}  // namespace testsupport
