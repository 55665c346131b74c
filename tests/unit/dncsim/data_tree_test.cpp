// Controls of one family share their demo content until one changes it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dncsim/controller.h"
#include "dncsim/data_tree.h"
#include "dncsim/table_model.h"

namespace dncsim::test {
namespace {

std::vector<DataTree::Leaf> everything(const DataTree& tree) {
    std::vector<DataTree::Leaf> found;
    tree.values("\\", &found);
    return found;
}

// Whichever of two sharing trees changes, through any writer, the other and
// later controls keep the demo content.
TEST(DataTreeSharing, AChangeReachesOnlyTheTreeChanged) {
    const std::vector<std::function<void(DataTree&)>> changes{
        [](DataTree& t) { t.write("\\PLC\\memory\\M\\5", dnc::Variant::boolean(false)); },
        [](DataTree& t) { t.add("\\PLC\\memory\\M\\500", dnc::Variant(1)); },
        [](DataTree& t) {
            t.insert(kToolRowsPath, "9", {{"T", dnc::Variant("9")}});
        },
        [](DataTree& t) { t.remove(std::string(kToolRowsPath) + "\\1"); },
    };
    for (const auto family : {Family::TableInterface, Family::DataAccess}) {
        const auto demo = everything(*DataTree::demo(family));
        for (std::size_t i = 0; i < changes.size() * 2; ++i) {
            SCOPED_TRACE("change " + std::to_string(i / 2) + (i % 2 ? " of the copy" : " of the original"));
            auto original = DataTree::demo(family);
            auto copy = original->share();
            changes[i / 2](i % 2 ? *copy : *original);
            EXPECT_NE(everything(i % 2 ? *copy : *original), demo);
            EXPECT_EQ(everything(i % 2 ? *original : *copy), demo);
            EXPECT_EQ(everything(*DataTree::demo(family)), demo);
        }
    }
}

}  // namespace
}  // namespace dncsim::test
