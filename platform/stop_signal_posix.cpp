#include <pthread.h>
#include <signal.h>

#include "platform/stop_signal.h"

namespace platform {
namespace {
sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
}  // namespace

void blockStopSignals() {
    sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int waitForStopSignal() {
    sigset_t set = stopSignals();
    int received = 0;
    while (sigwait(&set, &received) != 0) {
    }
    return received;
}

}  // namespace platform
