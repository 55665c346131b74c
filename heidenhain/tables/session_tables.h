#pragma once
// The tool and pocket table functions: the checks every family shares, the
// allocation lock around every write, and the family's own reads and writes.
// Rows travel as column name to cell text. The older controls go through the
// table interface, the others through the data tree.
#include <string>
#include <vector>

#include "heidenhain/session/session_context.h"
#include "heidenhain/tables/table_row.h"

namespace heidenhain {

class ControllerFamily;
class SessionData;

class SessionTables {
public:
    SessionTables(SessionContext& context, SessionData& data) : context_(context), data_(data) {}
    SessionTables(const SessionTables&) = delete;
    SessionTables& operator=(const SessionTables&) = delete;

    TableRow getToolTableRow(const std::string& toolId);
    std::string getToolTableCell(const std::string& toolId, const std::string& column);
    // The row's key column "T" is never written.
    void setToolTableRow(const std::string& toolId, const TableRow& row);
    void setToolTableCell(const std::string& toolId, const std::string& column, const std::string& value);
    // Tool ids that are no number are refused by every writing function, and
    // the key column T is never written through a row or a cell.
    // Clearing empties the row (the iTNC deletes it) and frees its pockets.
    void clearToolTableRow(const std::string& toolId);
    // A tool id without an index removes all its indexed rows.
    void removeToolTableRow(const std::string& toolId);
    // Writes the row under toolId, or under a free tool id when toolId is
    // empty, and links it to the pocket unless pocketId is empty; answers the
    // tool id used.
    std::string setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row);
    // Every tool row: uncached on the table interface, by columns on DataAccess.
    std::vector<TableRow> getToolTable();
    std::vector<std::string> getToolIds();

    // The pocket table and the tools in its pockets. Rows hold P, T and
    // TNAME (the TNC 426: every column of its pocket file).
    std::vector<TableRow> getPocketTable();
    // Empty when the pocket holds no tool. A pocket that the table lacks is
    // refused by every pocket function; ids padded with blanks are trimmed.
    std::string getLinkedToolId(const std::string& pocketId);
    // Refuses a tool that the tool table lacks or that another pocket holds.
    void linkToolToPocketTable(const std::string& pocketId, const std::string& toolId);
    // An empty pocket id does nothing.
    void unlinkToolFromPocketTable(const std::string& pocketId);
    // The tool row with "P" added; only "P" for a free pocket.
    TableRow getToolTableRowByPocketId(const std::string& pocketId);
    // Writes the row under a free tool id and links that to the pocket.
    void setLinkedToolTableRow(const std::string& pocketId, const TableRow& row);
    // As above in a free pocket; answers the pocket, empty when none is free.
    std::string addLinkedToolTableRow(const TableRow& row);
    void removeToolTableRowByPocketId(const std::string& pocketId);

private:
    // Tool and pocket table steps that the remote functions share, with the
    // family's allocation lock held.
    // The pocket id without blanks; fails when the pocket table lacks it.
    static std::string requirePocket(ControllerFamily& tables, const std::string& pocketId);
    // Refuses a tool that a pocket other than `pocketId` holds.
    static void refuseSecondPocket(ControllerFamily& tables, const std::string& toolId, const std::string& pocketId);
    static void unlinkFromAllPockets(ControllerFamily& tables, const std::string& toolId);
    void setLinkedRow(ControllerFamily& tables, const std::string& pocketId, const TableRow& row);

    SessionContext& context_;
    SessionData& data_;
};

}  // namespace heidenhain
