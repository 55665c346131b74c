#pragma once
// The table interface of the older controls: fixed-width text tables such as
// TNC:\TOOL.T, read as lines, written as small table files.
#include <cstdint>
#include <string>
#include <vector>

#include "dnc/object.h"

namespace dnc {

class IJHItncTable : public virtual Object {
public:
    // Column titles and their start offsets in a line (SAFEARRAYs on COM).
    virtual HRESULT GetTableInfo(const std::string& tableName, std::vector<std::string>* columnTitles,
                                 std::vector<std::int32_t>* columnPositions) = 0;
    // The lines that match query ("WHERE T >= 0"), in table order;
    // kRecordNotAvailable when none does.
    virtual HRESULT ReceiveTableLines(const std::string& tableName, const std::string& query,
                                      std::vector<std::string>* lines) = 0;
    // Merges the rows of a local table file (header, names, values) into the table.
    virtual HRESULT TransmitTablePart(const std::string& localFileName, const std::string& tableName) = 0;
    virtual HRESULT DeleteRecord(const std::string& tableName, const std::string& query) = 0;
};

}  // namespace dnc
