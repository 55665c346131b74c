#include "dncsim/table.h"

#include <fstream>
#include <sstream>

#include "dnc/file_result.h"
#include "dncsim/table_file.h"
#include "dncsim/table_query.h"
#include "dncsim/table_rows.h"

namespace dncsim {
namespace {

// The rows of the table that match the query; kBadParameter when the table
// or the query is unknown, kRecordNotAvailable when none matches.
dnc::HRESULT matchingRows(const DataTree& tree, const std::string& tableName, const std::string& query,
                          const TextTable** table, std::vector<TableCells>* rows) {
    *table = textTableNamed(tableName);
    if (*table == nullptr) return dnc::kBadParameter;
    const auto parsed = TableQuery::parse(query, **table);
    if (!parsed) return dnc::kBadParameter;
    for (auto& row : readRows(tree, **table))
        if (parsed->matches(row)) rows->push_back(std::move(row));
    return rows->empty() ? dnc::kRecordNotAvailable : dnc::kOk;
}

}  // namespace

dnc::HRESULT ItncTable::GetTableInfo(const std::string& tableName, std::vector<std::string>* columnTitles,
                                     std::vector<std::int32_t>* columnPositions) {
    if (auto hr = link_->enter("GetTableInfo"); dnc::failed(hr)) return hr;
    if (columnTitles == nullptr || columnPositions == nullptr) return dnc::kPointer;
    const TextTable* table = textTableNamed(tableName);
    if (table == nullptr) return dnc::kBadParameter;
    columnTitles->clear();
    columnPositions->clear();
    for (const auto& column : table->columns()) {
        columnTitles->push_back(column.name);
        columnPositions->push_back(static_cast<std::int32_t>(column.offset));
    }
    columnTitles->push_back("[END]");
    columnPositions->push_back(static_cast<std::int32_t>(table->width()));
    return dnc::kOk;
}

dnc::HRESULT ItncTable::ReceiveTableLines(const std::string& tableName, const std::string& query,
                                          std::vector<std::string>* lines) {
    if (auto hr = link_->enter("ReceiveTableLines"); dnc::failed(hr)) return hr;
    if (lines == nullptr) return dnc::kPointer;
    const TextTable* table = nullptr;
    std::vector<TableCells> rows;
    if (auto hr = matchingRows(*link_->controller().data(), tableName, query, &table, &rows); dnc::failed(hr))
        return hr;
    lines->clear();
    for (const auto& row : rows) lines->push_back(table->line(row));
    return dnc::kOk;
}

dnc::HRESULT ItncTable::TransmitTablePart(const std::string& localFileName, const std::string& tableName) {
    if (auto hr = link_->enter("TransmitTablePart"); dnc::failed(hr)) return hr;
    const TextTable* table = textTableNamed(tableName);
    if (table == nullptr) return dnc::kBadParameter;
    std::ifstream file(localFileName, std::ios::binary);
    if (!file) return dnc::kLocalFileNotOpened;
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) return dnc::kLocalFileNotOpened;
    std::vector<TableCells> rows;
    if (auto hr = readTableFile(content.str(), *table, &rows); dnc::failed(hr)) return hr;
    for (const auto& row : rows) writeRow(*link_->controller().data(), link_->controller().family(), *table, row);
    return dnc::kOk;
}

dnc::HRESULT ItncTable::DeleteRecord(const std::string& tableName, const std::string& query) {
    if (auto hr = link_->enter("DeleteRecord"); dnc::failed(hr)) return hr;
    // A delete without a condition would empty the whole table.
    if (query.find_first_not_of(' ') == std::string::npos) return dnc::kBadParameter;
    DataTree& tree = *link_->controller().data();
    const TextTable* table = nullptr;
    std::vector<TableCells> rows;
    if (auto hr = matchingRows(tree, tableName, query, &table, &rows); dnc::failed(hr)) return hr;
    for (const auto& row : rows) eraseRow(tree, *table, row.at(table->key()));
    return dnc::kOk;
}

}  // namespace dncsim
