#include "heidenhain/text/base64.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace heidenhain {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotInAlphabet = -1;

constexpr std::array<int, 256> decodingTable() {
    std::array<int, 256> table{};
    for (auto& value : table) value = kNotInAlphabet;
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    return table;
}

constexpr std::array<int, 256> kDecoding = decodingTable();

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string describe(char c, std::size_t offset) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    return std::string("character ") + hex + " at offset " + std::to_string(offset);
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
    // Written in place into text of its final size: appended a character at a
    // time, a program of tens of MB took longer than its whole transfer.
    std::string text((bytes.size() + 2) / 3 * 4, '=');
    char* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        *out++ = kAlphabet[group >> 18];
        *out++ = kAlphabet[(group >> 12) & 0x3f];
        *out++ = kAlphabet[(group >> 6) & 0x3f];
        *out++ = kAlphabet[group & 0x3f];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = in[i] << 16;
        if (rest == 2) group |= in[i + 1] << 8;
        *out++ = kAlphabet[(group >> 18) & 0x3f];
        *out++ = kAlphabet[(group >> 12) & 0x3f];
        if (rest == 2) *out = kAlphabet[(group >> 6) & 0x3f];  // the rest stays '='
    }
    return text;
}

std::string base64Decode(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int bitCount = 0;
    std::size_t dataCharacters = 0;
    std::size_t offset = 0;
    for (; offset < text.size(); ++offset) {
        // A whole group of four alphabet characters, the common case, at once.
        while (bitCount == 0 && offset + 4 <= text.size()) {
            const int group[4] = {kDecoding[static_cast<unsigned char>(text[offset])],
                                  kDecoding[static_cast<unsigned char>(text[offset + 1])],
                                  kDecoding[static_cast<unsigned char>(text[offset + 2])],
                                  kDecoding[static_cast<unsigned char>(text[offset + 3])]};
            if ((group[0] | group[1] | group[2] | group[3]) < 0) break;
            const auto value = static_cast<std::uint32_t>(group[0] << 18 | group[1] << 12 | group[2] << 6 | group[3]);
            const char three[3] = {static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                                   static_cast<char>(value)};
            bytes.append(three, 3);
            dataCharacters += 4;
            offset += 4;
        }
        if (offset == text.size()) break;
        const char c = text[offset];
        if (isWhiteSpace(c)) continue;
        if (c == '=') break;
        const int value = kDecoding[static_cast<unsigned char>(c)];
        if (value == kNotInAlphabet) {
            throw std::invalid_argument("Base64 content has an invalid " + describe(c, offset));
        }
        ++dataCharacters;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes += static_cast<char>((bits >> bitCount) & 0xff);
        }
    }
    // Only padding and white space may follow: more data there would be lost.
    for (; offset < text.size(); ++offset) {
        const char c = text[offset];
        if (c != '=' && !isWhiteSpace(c)) {
            throw std::invalid_argument("Base64 content goes on after its padding: " + describe(c, offset));
        }
    }
    if (dataCharacters % 4 == 1) {
        throw std::invalid_argument("Base64 content ends in the middle of a byte (" + std::to_string(dataCharacters) +
                                    " characters)");
    }
    return bytes;
}

}  // namespace heidenhain
