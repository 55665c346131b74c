#include <windows.h>

#include <csignal>
#include <condition_variable>
#include <mutex>

#include "platform/stop_signal.h"

namespace platform {
namespace {

std::mutex stopMutex;
std::condition_variable stopArrived;
int stopSignal = 0;

// Runs on a thread of its own that the console starts for the event. Closing
// the console, logging off and shutting down count as terminate.
BOOL WINAPI onConsoleControl(DWORD event) {
    const int signal = (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) ? SIGINT : SIGTERM;
    {
        std::lock_guard<std::mutex> lock(stopMutex);
        if (stopSignal == 0) stopSignal = signal;
    }
    stopArrived.notify_all();
    return TRUE;
}

}  // namespace

// The console's control events replace the POSIX stop signals; the handler
// is installed here, before any thread, so that no event is lost.
void blockStopSignals() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }

int waitForStopSignal() {
    std::unique_lock<std::mutex> lock(stopMutex);
    stopArrived.wait(lock, [] { return stopSignal != 0; });
    const int signal = stopSignal;
    stopSignal = 0;
    return signal;
}

}  // namespace platform
