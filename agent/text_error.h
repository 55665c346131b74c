#pragma once
// A failure whose text may hold anything a client sent, NUL characters
// included: what() stops at the first NUL, text() keeps it all.
#include <stdexcept>
#include <string>

namespace nolt {

class TextError : public std::runtime_error {
public:
    explicit TextError(const std::string& text) : std::runtime_error(text), text_(text) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace nolt
