// The demo content of the DataAccess tree: PLC memory of every type the
// session converts, machine configuration with one read-only entry, and the
// tool and pocket tables (table_model.h).
#include <string>

#include "dncsim/controller.h"
#include "dncsim/data_tree.h"
#include "dncsim/table_model.h"

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

std::shared_ptr<DataTree> filled(Family family) {
    auto tree = std::make_shared<DataTree>();
    addPlcMemory(*tree);
    addConfiguration(*tree);
    addDemoTables(*tree, family);
    return tree;
}

}  // namespace

// Made once per family and shared: most controls never change their demo
// content, and each copy is some 35 KB.
std::shared_ptr<DataTree> DataTree::demo(Family family) {
    if (family == Family::TableInterface) {
        static const auto older = filled(Family::TableInterface);
        return older->share();
    }
    static const auto newer = filled(Family::DataAccess);
    return newer->share();
}

}  // namespace dncsim
