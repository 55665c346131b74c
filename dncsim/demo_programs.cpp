#include "dncsim/demo_programs.h"

#include <algorithm>
#include <cctype>

namespace dncsim {
namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

const std::vector<DemoProgram>& demoPrograms() {
    static const std::vector<DemoProgram> programs = {
        {std::string(kProgramDirectory) + "\\demo.h",
         {"0 BEGIN PGM demo MM", "1 BLK FORM 0.1 Z X+0 Y+0 Z-20", "2 BLK FORM 0.2 X+100 Y+100 Z+0",
          "3 TOOL CALL 1 Z S3000", "4 L Z+50 R0 FMAX M3", "5 L X-10 Y-10 R0 FMAX", "6 L Z-5 R0 F1000",
          "7 L X+110 RL F500", "8 L Y+110", "9 L X-10", "10 L Z+50 R0 FMAX M5", "11 END PGM demo MM"}},
        {std::string(kProgramDirectory) + "\\drill.h",
         {"0 BEGIN PGM drill MM", "1 TOOL CALL 2 Z S2000", "2 L Z+50 R0 FMAX M3", "3 L X+25 Y+25 R0 FMAX",
          "4 CYCL DEF 200 DRILLING", "5 CYCL CALL", "6 L Z+50 R0 FMAX M5", "7 END PGM drill MM"}},
    };
    return programs;
}

const DemoProgram* findDemoProgram(const std::string& path) {
    for (const auto& program : demoPrograms()) {
        if (sameIgnoringCase(program.path, path)) return &program;
    }
    return nullptr;
}

}  // namespace dncsim
