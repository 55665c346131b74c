#pragma once
// The simulated table interface of the older controls: the tool and pocket
// tables of the controller's DataAccess tree shown as fixed-width text
// (table_layout.h), so that a write through either style is seen by the other.
#include "dnc/table.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class ItncTable final : public dnc::IJHItncTable, private BoundObject {
public:
    ItncTable(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    // The column names followed by "[END]", and the start offsets of the
    // columns followed by the end of the last one: one more of each than columns.
    dnc::HRESULT GetTableInfo(const std::string& tableName, std::vector<std::string>* columnTitles,
                              std::vector<std::int32_t>* columnPositions) override;
    // kBadParameter for an unknown table or a query the control cannot read;
    // kRecordNotAvailable when no row matches.
    dnc::HRESULT ReceiveTableLines(const std::string& tableName, const std::string& query,
                                   std::vector<std::string>* lines) override;
    // kLocalFileNotOpened when the file cannot be read; the codes of
    // readTableFile for a file the control refuses, and then nothing is written.
    dnc::HRESULT TransmitTablePart(const std::string& localFileName, const std::string& tableName) override;
    // kRecordNotAvailable when no row matches; kBadParameter for an empty query.
    dnc::HRESULT DeleteRecord(const std::string& tableName, const std::string& query) override;
};

}  // namespace dncsim
