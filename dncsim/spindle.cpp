#include "dncsim/spindle.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "dncsim/data_tree.h"
#include "dncsim/table_model.h"

namespace dncsim {
namespace {

const std::string kSpindle = "0";

std::string pocketCell(const std::string& pocket, const std::string& column) {
    return std::string(kPocketRowsPath) + "\\" + pocket + "\\" + column;
}

std::string cellOf(const DataTree& tree, const std::string& path) {
    dnc::Variant value;
    return dnc::succeeded(tree.read(path, &value)) && value.vt() == dnc::VT_BSTR ? value.text() : std::string();
}

// Tool number and name into a pocket, as the control itself writes them.
void putIntoPocket(DataTree& tree, const std::string& pocket, const std::string& tool) {
    const std::string name =
        tool.empty() ? std::string() : cellOf(tree, std::string(kToolRowsPath) + "\\" + tool + "\\NAME");
    tree.write(pocketCell(pocket, "T"), dnc::Variant(tool), true);
    tree.write(pocketCell(pocket, "TNAME"), dnc::Variant(name), true);
}

}  // namespace

std::optional<std::int32_t> toolCalled(const std::string& block) {
    std::istringstream words(block);
    std::string number, tool, call, id;
    if (!(words >> number >> tool >> call >> id) || tool != "TOOL" || call != "CALL") return std::nullopt;
    if (id.size() > 9 || !std::all_of(id.begin(), id.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    return std::stoi(id);
}

std::optional<std::int32_t> changeSpindleTool(DataTree& tree, std::int32_t tool) {
    const std::string in = std::to_string(tool);
    const std::string out = cellOf(tree, pocketCell(kSpindle, "T"));
    if (out == in) return std::nullopt;
    std::vector<DataTree::ChildLeaf> pockets;
    tree.childLeaves(kPocketRowsPath, "T", &pockets);
    for (const auto& [pocket, held] : pockets) {
        if (pocket != kSpindle && held && held->vt() == dnc::VT_BSTR && held->text() == in) {
            putIntoPocket(tree, pocket, out);
            break;
        }
    }
    putIntoPocket(tree, kSpindle, in);
    const auto number = wholeNumber(out);
    return number ? static_cast<std::int32_t>(*number) : std::int32_t{0};
}

}  // namespace dncsim
