// Included ahead of every C++ file of the MinGW cross build.
//
// Before GCC 13, libstdc++ has no futex on Windows, and its fallback for
// waiting on an atomic loses wake-ups: the waiter reads the value, the other
// thread changes it and notifies before the waiter sleeps, and the waiter
// then sleeps for ever. std::latch, the semaphores and std::jthread's stop
// requests are built on it, so a thread can hang in them at random (seen as
// one stalled test run in five under Wine). Their names are poisoned here so
// that no code of ours can use them; std::mutex, std::condition_variable and
// std::future are sound. atomic<T>::wait cannot be poisoned: do not call it.
#if defined(__cplusplus) && __cplusplus > 201703L && defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#include <condition_variable>
#include <latch>
#include <semaphore>
#include <stop_token>
#include <thread>
#pragma GCC poison latch counting_semaphore binary_semaphore jthread stop_token stop_source stop_callback
#endif
