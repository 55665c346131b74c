#pragma once
// Tool and pocket ids as clients and the controls write them: numbers, a
// tool with an index after a point ("5.2"). The table interface pads its
// numbers with blanks ("  5"): such a text is that number.
#include <optional>
#include <string>

#include "heidenhain/tables/table_row.h"

namespace heidenhain {

// The id without the blanks around it.
std::string trimmedId(const std::string& id);

// The id's number, blanks around it allowed; nothing for an empty text or one
// that is not a plain decimal number.
std::optional<double> idNumber(const std::string& id);

// The trimmed tool id, which must be a number: an empty id would address the
// whole table, a text such as "1 OR T > 0" several rows.
std::string toolIdArgument(const std::string& toolId);

// A row to be written under `toolId` may carry the key "T" only with that id:
// the key column is never written through a row or a cell.
void refuseKeyChange(const TableRow& row, const std::string& toolId);
[[noreturn]] void throwKeyColumnWrite();

}  // namespace heidenhain
