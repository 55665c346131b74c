#pragma once
// The order in which a session's locks are taken. A thread that holds a lock
// takes only locks that come later in this list, so no two threads can each
// wait for a lock that the other holds:
//
//   lifecycle    SessionContext::lifecycle: connect and disconnect of one session
//   connect      the process-wide connect lock: SDK connections are created
//                and changed by one session at a time
//   (sink)       the mutex of each event sink, held while its handler runs
//                and by detach(); a plain mutex, not checked below
//   allocation   ControllerFamily::allocationMutex_: a free tool row and pocket found
//                and written under it
//   tableCache   TableInterfaceFamily::cacheMutex_: the cached table reads
//   sdk          the SDK lock of the session's guard: one SDK call at a time
//   snapshot     TableMonitor::toolSnapshotMutex_ and pocketSnapshotMutex_:
//                the table monitor's previous rows; the two are never held together
//   (leaves)     the plain mutexes of LockedValue (interface references,
//                callback slots, session texts), the subscription table, the
//                guard's call name, the presence summary and the event queue:
//                none of the locks above is taken while one of them is held
//
// Waits that are not locks follow the same order: disconnect joins the table
// monitor holding only the lifecycle lock (the monitor never takes it), and
// the SDK's Unadvise, which waits for a running handler, is called without
// the SDK lock (a handler may wait for that lock). Client callbacks run on
// the session's event thread (event_queue.h) with none of these locks held.
//
// The timed locks (TimedMutex) check this order on every acquisition in
// debug builds and in the test suite (NOLT_CHECK_LOCK_ORDER): taking a lock
// whose rank is not above every rank the thread holds ends the process with
// a message that names both.
#include <string_view>

namespace heidenhain {

enum class LockRank : int {
    lifecycle = 1,
    connect,
    allocation,
    tableCache,
    sdk,
    snapshot,
};

std::string_view rankName(LockRank rank);

#if !defined(NDEBUG) || defined(NOLT_CHECK_LOCK_ORDER)
inline constexpr bool kLockOrderChecked = true;
#else
inline constexpr bool kLockOrderChecked = false;
#endif

// The bookkeeping behind the check: one list of held locks per thread.
namespace lock_order {
// Before waiting for `lock`: aborts when the thread holds a lock of the same
// or a later rank.
void acquiring(const void* lock, LockRank rank);
void acquired(const void* lock, LockRank rank);
void released(const void* lock);
}  // namespace lock_order

}  // namespace heidenhain
