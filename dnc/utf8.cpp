#include "dnc/utf8.h"

#include <cstdint>

#include "platform/utf8.h"

namespace dnc {
namespace {

// Bytes of the character at `at`: a well-formed sequence, or one byte that
// starts none (a stray continuation, an overlong form, a surrogate, a cut
// sequence), as a decoder that puts U+FFFD in its place counts it.
std::size_t characterLength(std::string_view text, std::size_t at) {
    std::uint32_t codePoint = 0;
    const std::size_t length = platform::decodeUtf8(text, at, codePoint);
    return length == 0 ? 1 : length;
}

// The byte offset of character `index`, or the text's size past the end.
std::size_t byteOffset(std::string_view text, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < index && at < text.size(); ++n) at += characterLength(text, at);
    return at;
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += characterLength(text, at)) ++count;
    return count;
}

std::string_view characters(std::string_view text, std::size_t start, std::size_t count) {
    const std::size_t first = byteOffset(text, start);
    const std::string_view rest = text.substr(first);
    return rest.substr(0, count == std::string_view::npos ? rest.size() : byteOffset(rest, count));
}

std::string padded(std::string_view text, std::size_t width) {
    std::string result(text);
    const std::size_t length = characterCount(text);
    if (length < width) result.append(width - length, ' ');
    return result;
}

}  // namespace dnc
