// Placeholder until the table interface layer lands: every operation fails clearly.
#include <stdexcept>

#include "heidenhain/dncshim.h"

namespace heidenhain {
namespace {
[[noreturn]] void notYet(const char* function) { throw std::logic_error(std::string(function) + " is not available yet"); }
}  // namespace

std::vector<TableRow> DncShim::getItncTable(const std::string&, const std::string&) { notYet("getItncTable"); }
std::vector<TableRow> DncShim::getCachedItncTable(const std::string&, const std::string&) {
    notYet("getItncTable");
}
void DncShim::clearItncTableCache() { notYet("clearItncTableCache"); }
void DncShim::setItncTableRow(const std::string&, const std::string&, const std::string&, const std::string&,
                              const TableRow&) {
    notYet("setItncTableRow");
}
void DncShim::setItncTableCell(const std::string&, const std::string&, const std::string&, const std::string&,
                               const std::string&, const std::string&) {
    notYet("setItncTableCell");
}
void DncShim::setItncToolTableRow(const std::string&, const TableRow&) { notYet("setItncToolTableRow"); }
void DncShim::deleteItncToolTableRow(const std::string&) { notYet("deleteItncToolTableRow"); }

}  // namespace heidenhain
