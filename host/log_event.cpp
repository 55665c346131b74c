#include "host/log_event.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "host/service_mode.h"
#include "platform/eventlog.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

std::string format(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Counts characters, not bytes, so that a UTF-8 sequence is never split.
std::string cutToCharacters(std::string text, int maxCharacters) {
    int characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && ++characters > maxCharacters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

}  // namespace

void logEvent(const char* formatText, ...) {
    va_list args;
    va_start(args, formatText);
    const std::string text = cutToCharacters(format(formatText, args), kLogEventMaxCharacters);
    va_end(args);
    if (!isServiceMode()) platform::logInformation(text);
    platform::writeEvent(platform::kServiceEventSource, platform::EventInformation, text);
}

}  // namespace heidenhain
