#include "tests/support/fake_clock.h"

#include "platform/steady_clock.h"

namespace testsupport {

FakeClock::FakeClock(std::chrono::nanoseconds start)
    : now_(std::make_shared<std::atomic<std::int64_t>>(start.count())) {
    platform::setSteadyClock([now = now_] { return now->load(); });
}

FakeClock::~FakeClock() { platform::setSteadyClock({}); }

void FakeClock::advance(std::chrono::nanoseconds step) { now_->fetch_add(step.count()); }

std::int64_t FakeClock::nowNs() const { return now_->load(); }

}  // namespace testsupport
