#pragma once
// Guard messages end in the source position of the call; tests compare them
// with the line number written as "N", so that edits above a call do not
// break an assertion about its text.
#include <regex>
#include <string>

namespace heidenhain {

inline std::string withoutLine(const std::string& text) {
    static const std::regex line(R"((\.cpp):[0-9]+)");
    return std::regex_replace(text, line, "$1:N");
}

// The message of what `call` throws, with the line number as "N"; empty when
// it throws nothing.
template <class Call>
std::string failureOf(Call&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return withoutLine(e.what());
    }
    return "";
}

}  // namespace heidenhain
