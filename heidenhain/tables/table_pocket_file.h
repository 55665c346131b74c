#pragma once
// The pocket table file of the TNC 426, which hands out that table only as a
// whole file: a BEGIN line, a header of column names, fixed-width data lines
// and "[END]".
#include <string>
#include <vector>

#include "heidenhain/tables/table_row.h"

namespace heidenhain {

struct PocketTableFile {
    std::vector<TableRow> rows;
    // Each column starts where its name starts in the header; the entry
    // "end" marks where the last column ends.
    std::vector<TableColumn> columns;
};

// A buffer that does not begin with "BEGIN" gives no rows and a warning (on
// standard error and in the event log); it is never an error.
PocketTableFile convertTNC426PocketTableBuffer(const std::string& buffer);

}  // namespace heidenhain
