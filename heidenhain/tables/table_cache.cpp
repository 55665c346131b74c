#include "heidenhain/tables/table_cache.h"

#include "platform/steady_clock.h"

namespace heidenhain {

std::optional<std::vector<TableRow>> TableCache::fresh() const {
    if (rows_.empty()) return std::nullopt;
    const std::int64_t ageMs = (platform::steadyNowNs() - readAtNs_) / (1000 * 1000);
    if (ageMs > maxAgeMs_) return std::nullopt;
    return rows_;
}

void TableCache::store(std::vector<TableRow> rows) {
    rows_ = std::move(rows);
    readAtNs_ = platform::steadyNowNs();
}

void TableCache::clear() {
    rows_.clear();
    readAtNs_ = 0;
}

}  // namespace heidenhain
