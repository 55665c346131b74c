#include "dnc/utf8.h"

namespace dnc {
namespace {

bool inRange(std::string_view text, std::size_t at, unsigned char low, unsigned char high) {
    if (at >= text.size()) return false;
    const auto byte = static_cast<unsigned char>(text[at]);
    return byte >= low && byte <= high;
}

// Bytes of the character at `at`: a well-formed sequence, or one byte that
// starts none (a stray continuation, an overlong form, a surrogate, a cut
// sequence), as a decoder that puts U+FFFD in its place counts it.
std::size_t characterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    // The second byte's range narrows where the lead alone would allow
    // overlong forms, surrogates or values past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    }
    if (length == 1 || !inRange(text, at + 1, low, high)) return 1;
    for (std::size_t i = 2; i < length; ++i)
        if (!inRange(text, at + i, 0x80, 0xBF)) return 1;
    return length;
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
