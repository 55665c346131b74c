#include "dncsim/demo_files.h"

#include "dncsim/demo_programs.h"

namespace dncsim {

std::vector<std::pair<std::string, std::string>> demoFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& program : demoPrograms()) {
        std::string content;
        for (const auto& block : program.blocks) content += block + "\n";
        files.emplace_back(program.path, std::move(content));
    }
    return files;
}

}  // namespace dncsim
