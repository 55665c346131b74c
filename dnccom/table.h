#pragma once
// The component's table interface of the older controls.
#include "dnc/table.h"
#include "dnccom/object.h"

namespace dnccom {

class ComItncTable final : public dnc::IJHItncTable, public ComObject {
public:
    static constexpr const char* kInterface = "IJHItncTable";
    explicit ComItncTable(ComPtr<IDispatch> object);
    dnc::HRESULT GetTableInfo(const std::string& tableName, std::vector<std::string>* columnTitles,
                         std::vector<std::int32_t>* columnPositions) override;
    dnc::HRESULT ReceiveTableLines(const std::string& tableName, const std::string& query,
                              std::vector<std::string>* lines) override;
    dnc::HRESULT TransmitTablePart(const std::string& localFileName, const std::string& tableName) override;
    dnc::HRESULT DeleteRecord(const std::string& tableName, const std::string& query) override;
};

}  // namespace dnccom
