#include "host/standard_switches.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/split_tokens.h"

namespace heidenhain {
namespace {

struct SwitchWord {
    const char* word;
    StandardSwitch value;
};

constexpr SwitchWord kSwitchWords[] = {
    {"UnregServer", StandardSwitch::UnregServer},
    {"RegServer", StandardSwitch::RegServer},
    {"UnregServerPerUser", StandardSwitch::UnregServerPerUser},
    {"RegServerPerUser", StandardSwitch::RegServerPerUser},
    {"Service", StandardSwitch::Service},
};

bool equalsIgnoringCase(const std::string& text, const char* word) {
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    return std::equal(text.begin(), text.end(), word, word + std::strlen(word),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

}  // namespace

StandardSwitch findStandardSwitch(const std::string& commandLine) {
    for (const auto& token : splitTokens(commandLine, " \t")) {
        if (token[0] != '-' && token[0] != '/') continue;
        const std::string word = token.substr(1);
        for (const auto& candidate : kSwitchWords) {
            if (equalsIgnoringCase(word, candidate.word)) return candidate.value;
        }
    }
    return StandardSwitch::None;
}

}  // namespace heidenhain
