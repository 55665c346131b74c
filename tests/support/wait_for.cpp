#include "tests/support/wait_for.h"

#include <algorithm>
#include <thread>

namespace testsupport {

bool waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    // Short first pauses keep quick conditions quick; the cap keeps a long
    // wait from burning a shared core.
    std::chrono::microseconds pause = 50us;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline) return predicate();
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, 5ms);
    }
    return true;
}

}  // namespace testsupport
