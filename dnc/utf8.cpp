#include "dnc/utf8.h"

namespace dnc {
namespace {

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The byte offset of character `index`, or the text's size past the end.
std::size_t byteOffset(std::string_view text, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < index && at < text.size(); ++n) {
        ++at;
        while (at < text.size() && continuation(static_cast<unsigned char>(text[at]))) ++at;
    }
    return at;
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i == 0 || !continuation(static_cast<unsigned char>(text[i]))) ++count;
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
