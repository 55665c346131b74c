#pragma once
// A failure whose text may hold anything a client sent, NUL characters
// included: what() stops at the first NUL, text() keeps it all. The text is
// held once, and can be taken: it may hold a client's argument of tens of MB.
#include <stdexcept>
#include <string>
#include <utility>

namespace nolt {

class TextError : public std::runtime_error {
public:
    explicit TextError(std::string text) : std::runtime_error(std::string()), text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& text() const { return text_; }
    std::string takeText() { return std::move(text_); }

private:
    std::string text_;
};

}  // namespace nolt
