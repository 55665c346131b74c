// The demo content of the DataAccess tree: PLC memory of every type the
// session converts, machine configuration with one read-only entry, and on
// the newer controls a few rows of the tool table.
#include <string>

#include "dncsim/controller.h"
#include "dncsim/data_tree.h"

namespace dncsim {
namespace {

void addPlcMemory(DataTree& tree) {
    const std::string memory = "\\PLC\\memory\\";
    for (int i = 0; i < 128; ++i) tree.add(memory + "M\\" + std::to_string(i), dnc::Variant::boolean(i == 5));
    for (int i = 0; i < 16; ++i) {
        const auto index = std::to_string(i);
        tree.add(memory + "B\\" + index, dnc::Variant::fromUnsigned(dnc::VT_UI1, static_cast<unsigned>(i)));
        tree.add(memory + "W\\" + index, dnc::Variant::fromSigned(dnc::VT_I2, i * 10));
        tree.add(memory + "D\\" + index, dnc::Variant(static_cast<std::int32_t>(i * 1000)));
    }
    for (int i = 0; i < 4; ++i) tree.add(memory + "S\\" + std::to_string(i), dnc::Variant(i == 0 ? "ready" : ""));
}

void addConfiguration(DataTree& tree) {
    tree.add("\\CFG\\machine\\name", dnc::Variant("DNC simulator"), true);
    tree.add("\\CFG\\machine\\axes", dnc::Variant(std::int32_t{5}));
    tree.add("\\CFG\\machine\\feedLimit", dnc::Variant(5000.0));
    tree.add("\\CFG\\machine\\spindleLimit", dnc::Variant(12000.0f));
}

void addToolRows(DataTree& tree) {
    const struct {
        const char* id;
        const char* name;
        const char* length;
        const char* radius;
    } rows[] = {{"1", "MILL_D10", "50", "5"}, {"2", "DRILL_D6", "70", "3"}, {"3", "TAP_M8", "60", "4"}};
    for (const auto& row : rows) {
        const std::string base = std::string("\\TABLE\\TOOL\\T\\") + row.id + "\\";
        tree.add(base + "T", dnc::Variant(row.id));
        tree.add(base + "NAME", dnc::Variant(row.name));
        tree.add(base + "L", dnc::Variant(row.length));
        tree.add(base + "R", dnc::Variant(row.radius));
    }
}

}  // namespace

std::shared_ptr<DataTree> DataTree::demo(Family family) {
    auto tree = std::make_shared<DataTree>();
    addPlcMemory(*tree);
    addConfiguration(*tree);
    if (family == Family::DataAccess) addToolRows(*tree);
    return tree;
}

}  // namespace dncsim
