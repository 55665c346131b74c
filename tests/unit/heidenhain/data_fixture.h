#pragma once
// Sessions connected to simulated controls of either family, with direct
// access to the controls' data trees.
#include <string>

#include "dnc/variant.h"
#include "dncsim/data_tree.h"
#include "dncsim/data_value.h"
#include "dncsim/simulator.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {

class DataSessionTest : public SessionTest {
protected:
    // Connected to the host "<controllerType>.test".
    DncShim& connected(const std::string& controllerType, const std::string& name = "mill") {
        auto& s = session(name);
        s.connection().connect(controllerType + ".test", controllerType);
        return s;
    }
    static dncsim::DataTree& tree(const std::string& host) {
        return *dncsim::Simulator::instance().controller(host)->data();
    }
    // The control changes a value itself.
    static void change(const std::string& host, const std::string& path, const std::string& text) {
        ASSERT_EQ(dncsim::writeDataText(tree(host), path, text), dnc::kOk) << path;
    }
    static dnc::Variant stored(const std::string& host, const std::string& path) {
        dnc::Variant value;
        EXPECT_EQ(tree(host).read(path, &value), dnc::kOk) << path;
        return value;
    }
};

}  // namespace heidenhain
