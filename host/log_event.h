#pragma once
// The service's own messages: an information event under the source
// "heidenhain", also printed when no service manager runs the process.

#if defined(__GNUC__)
#define HEIDENHAIN_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define HEIDENHAIN_PRINTF_FORMAT(f, a)
#endif

namespace heidenhain {

// Longer messages are cut to this many characters.
inline constexpr int kLogEventMaxCharacters = 255;

// printf-style. Texts that must not be read as a format go through "%s".
void logEvent(const char* format, ...) HEIDENHAIN_PRINTF_FORMAT(1, 2);

}  // namespace heidenhain
