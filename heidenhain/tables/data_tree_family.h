#pragma once
// The newer controls: tool and pocket tables, and every data value, are
// entries of the data tree (\TABLE\TOOL\T\<id>\<column>), read and written
// through property values; its listings need an access mode.
#include "heidenhain/tables/controller_family.h"

namespace heidenhain {

class DataTreeFamily : public ControllerFamily {
public:
    using ControllerFamily::ControllerFamily;

    bool beginMonitorCycle(ProgramEvents& programEvents) override;

    dnc::Variant readValue(const std::string& dataPath) override;
    std::vector<std::string> listValues(const std::string& dataPath) override;
    void writeValue(const std::string& dataPath, const dnc::Variant& newer, const OlderValue& older) override;

    std::vector<TableRow> toolTable(ReadFor reader) override;
    std::vector<std::string> toolIds() override;
    TableRow toolRow(const std::string& toolId) override;
    void setToolCell(const std::string& toolId, const std::string& column, const std::string& value) override;
    void setToolRow(const std::string& toolId, const TableRow& row) override;
    void clearToolRow(const std::string& toolId) override;
    void removeToolRow(const std::string& toolId) override;
    std::string freeToolId() override;

    std::vector<TableRow> pocketTable(ReadFor reader) override;
    std::vector<std::string> pocketIds() override;
    bool hasPocket(const std::string& pocketId) override;
    std::string toolInPocket(const std::string& pocketId) override;
    std::string pocketOfTool(const std::string& toolId) override;
    std::string freePocketId() override;
    void writePocketTool(const std::string& pocketId, const std::string& toolId) override;
    void clearPocket(const std::string& pocketId) override;

private:
    // The names listed under a column path; fails naming setAccessMode while
    // no access mode opens the listing.
    std::vector<std::string> tableListing(const std::string& columnPath);
    void addNewRow(const std::string& newId);
    // Every cell of the row but the key back to its initial value.
    void resetRow(const std::string& rowPath);
    // Deletes the row or the range of rows at the path by nulling their keys.
    void deleteRows(const std::string& dataPath);
    void writeNewer(const std::string& dataPath, const dnc::Variant& value);
};

}  // namespace heidenhain
