#pragma once
// Steady clock seam: code that measures durations reads time here so that
// tests can advance it instead of waiting.
#include <cstdint>
#include <functional>

namespace platform {

// Nanoseconds of the steady clock (or of the test clock when one is set).
std::int64_t steadyNowNs();

// Installs a replacement clock; an empty function restores the real one.
void setSteadyClock(std::function<std::int64_t()> clock);

}  // namespace platform
