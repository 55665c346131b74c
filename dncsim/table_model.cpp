#include "dncsim/table_model.h"

#include <cstdlib>
#include <algorithm>
#include <sstream>

#include "dncsim/controller.h"
#include "dncsim/data_tree.h"

namespace dncsim {
namespace {

using Row = std::map<std::string, std::string>;

// Tools 0 (the null tool) to 3 and 5, so that 4 is a gap in the numbering.
const std::vector<Row>& demoTools() {
    static const std::vector<Row> rows{
        {{"T", "0"}, {"NAME", "NULLTOOL"}, {"L", "0"}, {"R", "0"}},
        {{"T", "1"}, {"NAME", "MILL_D10"}, {"L", "50"}, {"R", "5"}},
        {{"T", "2"}, {"NAME", "DRILL_D6"}, {"L", "70"}, {"R", "3"}},
        {{"T", "3"}, {"NAME", "TAP_M8"}, {"L", "60"}, {"R", "4"}},
        {{"T", "5"}, {"NAME", "FACE_D50"}, {"L", "45.5"}, {"R", "25"}},
    };
    return rows;
}

// Pocket 0 is the spindle, holding tool 1; pocket 4 is free.
const std::vector<Row>& demoPockets() {
    static const std::vector<Row> rows{
        {{"P", "0"}, {"T", "1"}, {"TNAME", "MILL_D10"}},
        {{"P", "1"}, {"T", "2"}, {"TNAME", "DRILL_D6"}},
        {{"P", "2"}, {"T", "3"}, {"TNAME", "TAP_M8"}},
        {{"P", "3"}, {"T", "5"}, {"TNAME", "FACE_D50"}},
        {{"P", "4"}, {"T", ""}, {"TNAME", ""}},
    };
    return rows;
}

void addRows(DataTree& tree, const std::string& rowsPath, const std::vector<std::string>& columns,
             const std::vector<Row>& rows) {
    for (const auto& row : rows) {
        const std::string base = rowsPath + "\\" + row.at(columns.front()) + "\\";
        for (const auto& column : columns) {
            const auto cell = row.find(column);
            tree.add(base + column, dnc::Variant(cell == row.end() ? std::string() : cell->second));
        }
    }
}

// Numeric columns start at zero; the PLC bits all clear. Texts and the keys
// have no initial value.
std::map<std::string, std::string> toolInitialValues(Family family) {
    std::map<std::string, std::string> values;
    for (const char* column : {"L", "R", "R2", "DL", "DR", "DR2", "TIME1", "TIME2", "CUR_TIME", "PTYP"})
        values[column] = "0";
    values["PLC"] = "%00000000";
    if (family == Family::TableInterface) {
        values["NMAX"] = "-";
        values["TT:R-OFFS"] = "R";
        values["DIRECT."] = "-";
    }
    return values;
}

std::vector<TableSchema> schemasOf(Family family) {
    const dnc::HRESULT missingPocket = family == Family::TableInterface ? dnc::kFail : dnc::kInvalidArg;
    return {TableSchema{"\\TABLE\\TOOL", "T", toolColumns(family), toolInitialValues(family), dnc::kInvalidArg},
            TableSchema{"\\TABLE\\TOOL_P", "P", pocketColumns(family), {}, missingPocket}};
}

}  // namespace

bool TableSchema::hasColumn(const std::string& column) const {
    return std::find(columns.begin(), columns.end(), column) != columns.end();
}

std::optional<std::string> TableSchema::initialValue(const std::string& column) const {
    const auto found = initialValues.find(column);
    if (found == initialValues.end()) return std::nullopt;
    return found->second;
}

const std::vector<TableSchema>& tableSchemas(Family family) {
    static const std::vector<TableSchema> older = schemasOf(Family::TableInterface);
    static const std::vector<TableSchema> newer = schemasOf(Family::DataAccess);
    return family == Family::TableInterface ? older : newer;
}

const TableSchema* tableAt(Family family, const std::string& canonicalPath) {
    for (const auto& table : tableSchemas(family)) {
        if (DataTree::covers(table.path, canonicalPath)) return &table;
    }
    return nullptr;
}

const std::vector<std::string>& toolColumns(Family family) {
    static const std::vector<std::string> newer{"T",  "NAME",  "L",     "R",        "R2",  "DL",  "DR",
                                                "DR2", "TIME1", "TIME2", "CUR_TIME", "PLC", "PTYP"};
    // The older controls also carry the columns that a cleared row presets.
    static const std::vector<std::string> older{"T",     "NAME",     "L",   "R",    "R2",   "DL",        "DR",
                                                "DR2",   "TIME1",    "TIME2", "CUR_TIME", "PLC", "PTYP", "NMAX",
                                                "TT:R-OFFS", "DIRECT."};
    return family == Family::TableInterface ? older : newer;
}

const std::vector<std::string>& pocketColumns(Family family) {
    static const std::vector<std::string> newer{"P", "T", "TNAME"};
    static const std::vector<std::string> older{"P", "T", "TNAME", "ST", "F", "L"};
    return family == Family::TableInterface ? older : newer;
}

void addDemoTables(DataTree& tree, Family family) {
    addRows(tree, kToolRowsPath, toolColumns(family), demoTools());
    addRows(tree, kPocketRowsPath, pocketColumns(family), demoPockets());
}

dnc::HRESULT insertRow(DataTree& tree, const TableSchema& table, const std::string& id) {
    // A quote or backslash would make the row unreachable by its path.
    if (id.empty() || id.find_first_of("\\'") != std::string::npos) return dnc::kInvalidArg;
    std::vector<DataTree::Leaf> cells;
    for (const auto& column : table.columns) cells.emplace_back(column, dnc::Variant(column == table.key ? id : ""));
    return tree.insert(table.rowsPath(), id, cells);
}

std::optional<double> wholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0') return std::nullopt;
    return value;
}

std::optional<std::string> cellText(const dnc::Variant& value) {
    std::ostringstream text;
    switch (value.vt()) {
        case dnc::VT_EMPTY: case dnc::VT_NULL: return std::string();
        case dnc::VT_BSTR: return value.text();
        case dnc::VT_I1: case dnc::VT_I2: case dnc::VT_I4: case dnc::VT_I8: case dnc::VT_INT:
            text << value.signedValue();
            break;
        case dnc::VT_UI1: case dnc::VT_UI2: case dnc::VT_UI4: case dnc::VT_UI8: case dnc::VT_UINT:
            text << value.unsignedValue();
            break;
        case dnc::VT_R4: case dnc::VT_R8:
            text << value.realValue();
            break;
        case dnc::VT_BOOL:
            text << (value.boolValue() != dnc::VARIANT_FALSE ? 1 : 0);
            break;
        default: return std::nullopt;
    }
    return text.str();
}

dnc::HRESULT writeCell(DataTree& tree, const TableSchema& table, const std::string& rowPath,
                       const std::string& column, const dnc::Variant& value) {
    const std::string cellPath = rowPath + "\\" + column;
    if (column == table.key) {
        if (value.vt() == dnc::VT_NULL) return tree.remove(rowPath);
        dnc::Variant current;
        if (auto hr = tree.read(cellPath, &current); dnc::failed(hr)) return hr;
        const auto text = cellText(value);
        if (!text) return dnc::kInvalidArg;
        return *text == current.text() ? tree.write(cellPath, current) : kProtectedData;
    }
    const auto text = cellText(value);
    if (!text) return dnc::kInvalidArg;
    return tree.write(cellPath, dnc::Variant(*text));
}

}  // namespace dncsim
