// Controls of one family share their demo content until one changes it: a
// change through any writer reaches that control only, whichever of the two
// changes first.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dncsim/controller.h"
#include "dncsim/data_tree.h"
#include "dncsim/table_model.h"

namespace dncsim::test {
namespace {

using Change = std::function<dnc::HRESULT(DataTree&)>;

std::vector<DataTree::Leaf> everything(const DataTree& tree) {
    std::vector<DataTree::Leaf> found;
    EXPECT_EQ(tree.values("\\", &found), dnc::kOk);
    return found;
}

TEST(DataTreeSharing, AChangeReachesOnlyTheTreeChanged) {
    const std::vector<std::pair<const char*, Change>> changes{
        {"write", [](DataTree& t) { return t.write("\\PLC\\memory\\M\\5", dnc::Variant::boolean(false)); }},
        {"control write", [](DataTree& t) { return t.write("\\CFG\\machine\\name", dnc::Variant("x"), true); }},
        {"add", [](DataTree& t) { t.add("\\PLC\\memory\\M\\500", dnc::Variant(1)); return dnc::kOk; }},
        {"insert",
         [](DataTree& t) {
             return t.insert(kToolRowsPath, "9", {{"T", dnc::Variant("9")}});
         }},
        {"remove", [](DataTree& t) { return t.remove(std::string(kToolRowsPath) + "\\1"); }},
    };
    for (const auto family : {Family::TableInterface, Family::DataAccess}) {
        const auto demo = everything(*DataTree::demo(family));
        for (const auto& [name, change] : changes) {
            for (const bool firstChanges : {true, false}) {
                SCOPED_TRACE(std::string(name) + (firstChanges ? ", first tree" : ", second tree"));
                auto first = DataTree::demo(family);
                auto second = first->share();
                auto& changed = firstChanges ? *first : *second;
                auto& kept = firstChanges ? *second : *first;
                ASSERT_EQ(change(changed), dnc::kOk);
                EXPECT_NE(everything(changed), demo);
                EXPECT_EQ(everything(kept), demo);
                EXPECT_EQ(everything(*DataTree::demo(family)), demo);
            }
        }
    }
}

}  // namespace
}  // namespace dncsim::test
