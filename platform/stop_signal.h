#pragma once
// The stop control of a foreground run: interrupt and terminate.

namespace platform {

// Blocks the stop signals in the calling thread and in every thread it
// starts afterwards, so that only waitForStopSignal() receives them. Call
// first thing in main, before any thread exists.
void blockStopSignals();

// Waits until a stop signal arrives; returns its number.
int waitForStopSignal();

}  // namespace platform
