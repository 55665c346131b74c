#pragma once
// Whether long texts are plain printable ASCII, eight bytes at a time: part
// programs arrive and leave as Base64 texts of tens of MB, and a check a
// byte at a time cost as much as the rest of a reply's handling.
#include <cstdint>
#include <cstring>
#include <string_view>

namespace nolt {
namespace ascii_scan {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Whether a byte of the word lies outside 0x20..0x7e.
inline bool outsidePrintable(std::uint64_t word) {
    const std::uint64_t below = (word - kOnes * 0x20) & ~word;
    const std::uint64_t above = (word + kOnes * (127 - 0x7e)) | word;
    return ((below | above) & kHighs) != 0;
}

// Whether a byte of the word equals `byte`.
inline bool contains(std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kOnes * byte);
    return ((x - kOnes) & ~x & kHighs) != 0;
}

// Whether every byte passes `wordOk` (eight at a time) and `byteOk` (the rest).
template <class WordOk, class ByteOk>
bool all(std::string_view text, WordOk&& wordOk, ByteOk&& byteOk) {
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (!wordOk(word)) return false;
    }
    for (; at < text.size(); ++at) {
        if (!byteOk(static_cast<unsigned char>(text[at]))) return false;
    }
    return true;
}

}  // namespace ascii_scan

// Printable ASCII only.
inline bool printableAscii(std::string_view text) {
    return ascii_scan::all(
        text, [](std::uint64_t word) { return !ascii_scan::outsidePrintable(word); },
        [](unsigned char byte) { return byte >= 0x20 && byte <= 0x7e; });
}

// Printable ASCII without '"' and '\\': a text that is its own JSON string.
inline bool plainJsonText(std::string_view text) {
    return ascii_scan::all(
        text,
        [](std::uint64_t word) {
            return !ascii_scan::outsidePrintable(word) && !ascii_scan::contains(word, '"') &&
                   !ascii_scan::contains(word, '\\');
        },
        [](unsigned char byte) { return byte >= 0x20 && byte <= 0x7e && byte != '"' && byte != '\\'; });
}

}  // namespace nolt
