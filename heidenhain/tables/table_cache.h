#pragma once
// The rows of one table's last read, served again while they are young: the
// composite tool operations and the table monitor read the same table many
// times within a moment. Not locked itself; the session's table cache mutex
// guards it. Ages come from the steady clock seam.
#include <cstdint>
#include <optional>
#include <vector>

#include "heidenhain/tables/table_row.h"

namespace heidenhain {

class TableCache {
public:
    explicit TableCache(std::int64_t maxAgeMs = 2000) : maxAgeMs_(maxAgeMs) {}

    // A copy of the rows while they are at most the maximum age old; an
    // empty read is never served.
    std::optional<std::vector<TableRow>> fresh() const;
    // Keeps the rows of a read that ended now.
    void store(std::vector<TableRow> rows);
    void clear();

private:
    const std::int64_t maxAgeMs_;
    std::vector<TableRow> rows_;
    std::int64_t readAtNs_ = 0;
};

}  // namespace heidenhain
