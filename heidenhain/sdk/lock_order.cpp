#include "heidenhain/sdk/lock_order.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <utility>
#include <vector>

namespace heidenhain {
namespace {

thread_local std::vector<std::pair<const void*, LockRank>> held;

}  // namespace

std::string_view rankName(LockRank rank) {
    switch (rank) {
        case LockRank::lifecycle: return "lifecycle";
        case LockRank::connect: return "connect";
        case LockRank::allocation: return "allocation";
        case LockRank::tableCache: return "tableCache";
        case LockRank::sdk: return "sdk";
        case LockRank::snapshot: return "snapshot";
    }
    return "unknown";
}

namespace lock_order {

void acquiring(const void*, LockRank rank) {
    for (const auto& [lock, heldRank] : held) {
        if (heldRank < rank) continue;
        std::cerr << "Lock order violated: taking the " << rankName(rank) << " lock while holding the "
                  << rankName(heldRank) << " lock (heidenhain/lock_order.h)" << std::endl;
        std::abort();
    }
}

void acquired(const void* lock, LockRank rank) { held.emplace_back(lock, rank); }

void released(const void* lock) {
    // Released mostly in reverse order; a lock let go early is found further down.
    auto it = std::find_if(held.rbegin(), held.rend(), [&](const auto& entry) { return entry.first == lock; });
    if (it != held.rend()) held.erase(std::next(it).base());
}

}  // namespace lock_order
}  // namespace heidenhain
