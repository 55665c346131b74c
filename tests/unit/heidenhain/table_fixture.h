#pragma once
// Sessions on simulated controls of either family with the stored cells of
// their tool and pocket tables at hand.
#include <string>

#include "tests/unit/heidenhain/data_fixture.h"

namespace heidenhain {

class TableSessionTest : public DataSessionTest {
protected:
    // Where the simulated controls store a cell, whatever path the session used.
    static std::string toolCell(const std::string& toolId, const std::string& column) {
        return "\\TABLE\\TOOL\\T\\" + toolId + "\\" + column;
    }
    static std::string pocketCell(const std::string& pocketId, const std::string& column = "T") {
        return "\\TABLE\\TOOL_P\\P\\" + pocketId + "\\" + column;
    }
    static std::string storedText(const std::string& host, const std::string& path) {
        return stored(host, path).text();
    }
};

}  // namespace heidenhain
