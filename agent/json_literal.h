#pragma once
// Finding the end of a JSON string literal in raw request text. Part
// programs arrive as one literal of tens of MB, so the runs between escapes
// are searched with memchr rather than a byte at a time.
#include <cstring>
#include <string_view>

namespace nolt {

// The index of the closing quote of the literal whose content starts at
// `begin`; npos when the text ends first.
inline std::size_t literalEnd(std::string_view text, std::size_t begin) {
    const char* const data = text.data();
    std::size_t at = begin;
    while (at < text.size()) {
        const auto* quote = static_cast<const char*>(std::memchr(data + at, '"', text.size() - at));
        if (!quote) break;
        const auto* escape = static_cast<const char*>(std::memchr(data + at, '\\', quote - (data + at)));
        if (!escape) return static_cast<std::size_t>(quote - data);
        at = static_cast<std::size_t>(escape - data) + 2;  // past the escaped character
    }
    return std::string_view::npos;
}

}  // namespace nolt
