// Blocks of several MB on huge pages. A part program or reply of many MB is
// written into fresh memory once, and on 4 KB pages that costs a page fault
// per 4 KB: about a third of the agent's time for a 10 MB program. glibc maps
// such blocks on their own (platform/large_allocations.h); advising huge
// pages on them makes it one fault per 2 MB. Only the agent executable
// replaces the allocation function, and sanitizer builds keep their own.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Only whole huge pages inside the block: the advice covers its pages and no
// neighbour's.
void adviseHugePages(void* block, std::size_t size) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

// The library's other forms of new, and every delete, end in malloc and free
// as this one does.
void* operator new(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) {
            if (size >= 2 * kHugePage) adviseHugePages(block, size);
            return block;
        }
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}
#endif
