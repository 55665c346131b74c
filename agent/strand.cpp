#include "agent/strand.h"

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

}  // namespace nolt::strand_detail
