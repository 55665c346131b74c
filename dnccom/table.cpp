#include "dnccom/table.h"

namespace dnccom {
namespace {

std::vector<std::string> texts(const Var& value) {
    std::vector<std::string> result;
    const dnc::Variant array = value.toDnc();
    for (const auto& element : array.elements()) result.push_back(element.text());
    return result;
}

std::vector<std::int32_t> numbers(const Var& value) {
    std::vector<std::int32_t> result;
    const dnc::Variant array = value.toDnc();
    for (const auto& element : array.elements())
        result.push_back(static_cast<std::int32_t>(element.signedValue()));
    return result;
}

}  // namespace

ComItncTable::ComItncTable(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComItncTable::GetTableInfo(const std::string& tableName, std::vector<std::string>* columnTitles,
                                   std::vector<std::int32_t>* columnPositions) {
    if (columnTitles == nullptr || columnPositions == nullptr) return E_POINTER;
    const Var table = Var::text(tableName);
    Var titles, positions;
    const HRESULT hr = call("GetTableInfo", {in(table), out(titles), out(positions)});
    if (FAILED(hr)) return hr;
    *columnTitles = texts(titles);
    *columnPositions = numbers(positions);
    return hr;
}

dnc::HRESULT ComItncTable::ReceiveTableLines(const std::string& tableName, const std::string& query,
                                        std::vector<std::string>* lines) {
    if (lines == nullptr) return E_POINTER;
    const Var table = Var::text(tableName);
    const Var where = Var::text(query);
    Var received;
    const HRESULT hr = call("ReceiveTableLines", {in(table), in(where), out(received)});
    if (SUCCEEDED(hr)) *lines = texts(received);
    return hr;
}

dnc::HRESULT ComItncTable::TransmitTablePart(const std::string& localFileName, const std::string& tableName) {
    const Var file = Var::text(localFileName);
    const Var table = Var::text(tableName);
    return call("TransmitTablePart", {in(file), in(table)});
}

dnc::HRESULT ComItncTable::DeleteRecord(const std::string& tableName, const std::string& query) {
    const Var table = Var::text(tableName);
    const Var where = Var::text(query);
    return call("DeleteRecord", {in(table), in(where)});
}

}  // namespace dnccom
