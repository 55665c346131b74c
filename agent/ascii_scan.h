#pragma once
// Whether long texts are plain printable ASCII, many bytes at a time: part
// programs arrive and leave as Base64 texts of tens of MB, and a check a
// byte at a time cost as much as the rest of a reply's handling. With SSE2
// (every x86-64) 64 bytes a step, otherwise eight.
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nolt {
namespace ascii_scan {

// Whether the byte lies outside 0x20..0x7e or, with kQuotes, is '"' or '\\'.
template <bool kQuotes>
bool badByte(unsigned char byte) {
    return byte < 0x20 || byte > 0x7e || (kQuotes && (byte == '"' || byte == '\\'));
}

#if defined(__SSE2__)
// The bad bytes of 16 as set lanes. Bytes from 0x80 on compare as negative,
// so one signed comparison finds them with the control characters.
template <bool kQuotes>
__m128i badLanes(const char* at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i bad = _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7f)));
    if (kQuotes) {
        bad = _mm_or_si128(
            bad, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))));
    }
    return bad;
}

// Where the 64-byte steps end: the rest goes a byte at a time.
template <bool kQuotes>
std::size_t goodPrefix(std::string_view text) {
    std::size_t at = 0;
    for (; at + 64 <= text.size(); at += 64) {
        const char* data = text.data() + at;
        const __m128i bad = _mm_or_si128(_mm_or_si128(badLanes<kQuotes>(data), badLanes<kQuotes>(data + 16)),
                                         _mm_or_si128(badLanes<kQuotes>(data + 32), badLanes<kQuotes>(data + 48)));
        if (_mm_movemask_epi8(bad) != 0) return at;
    }
    return at;
}
#else
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

template <bool kQuotes>
std::size_t goodPrefix(std::string_view text) {
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (outsidePrintable(word) || (kQuotes && (contains(word, '"') || contains(word, '\\')))) return at;
    }
    return at;
}
#endif

template <bool kQuotes>
bool allGood(std::string_view text) {
    for (std::size_t at = goodPrefix<kQuotes>(text); at < text.size(); ++at) {
        if (badByte<kQuotes>(static_cast<unsigned char>(text[at]))) return false;
    }
    return true;
}

}  // namespace ascii_scan

// Printable ASCII only.
inline bool printableAscii(std::string_view text) { return ascii_scan::allGood<false>(text); }

// Printable ASCII without '"' and '\\': a text that is its own JSON string.
inline bool plainJsonText(std::string_view text) { return ascii_scan::allGood<true>(text); }

}  // namespace nolt
