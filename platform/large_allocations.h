#pragma once
// Large blocks straight from the system and back to it when freed. glibc
// otherwise raises its threshold for that to the size of the largest block
// freed (up to 32 MB), and blocks of a few MB, a request or reply each, then
// stay in the heaps of the threads that freed them: a few messages of 10 MB
// held several times their size in memory that nothing used.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

inline void returnLargeAllocationsToSystem() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

// Gives the system back the free pages amid the heap: after a thousand
// sessions are deleted, glibc would keep tens of MB of them resident.
inline void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace platform
