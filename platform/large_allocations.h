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

}  // namespace platform
