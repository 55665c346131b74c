#include "dncsim/table_model.h"

#include <map>

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

}  // namespace

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

}  // namespace dncsim
