#include "heidenhain/text/std_texts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace heidenhain {
namespace {

// errno belongs to the caller; keep it as it was.
class ErrnoScope {
public:
    ErrnoScope() : saved_(errno) { errno = 0; }
    ~ErrnoScope() { errno = saved_; }
    ErrnoScope(const ErrnoScope&) = delete;
    ErrnoScope& operator=(const ErrnoScope&) = delete;
    bool rangeError() const { return errno == ERANGE; }

private:
    int saved_;
};

}  // namespace

int parseInt(const std::string& text) {
    ErrnoScope scope;
    const char* begin = text.c_str();
    char* end = nullptr;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin) throw std::invalid_argument("invalid stoi argument");
    if (scope.rangeError() || value < INT_MIN || value > INT_MAX)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<int>(value);
}

float parseFloat(const std::string& text) {
    ErrnoScope scope;
    const char* begin = text.c_str();
    char* end = nullptr;
    const float value = std::strtof(begin, &end);
    if (end == begin) throw std::invalid_argument("invalid stof argument");
    if (scope.rangeError()) throw std::out_of_range("stof argument out of range");
    return value;
}

double parseDouble(const std::string& text) {
    ErrnoScope scope;
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) throw std::invalid_argument("invalid stod argument");
    if (scope.rangeError()) throw std::out_of_range("stod argument out of range");
    return value;
}

unsigned long parseUnsignedLong(const std::string& text) {
    ErrnoScope scope;
    const char* begin = text.c_str();
    char* end = nullptr;
    const unsigned long value = std::strtoul(begin, &end, 10);
    if (end == begin) throw std::invalid_argument("invalid stoul argument");
    if (scope.rangeError()) throw std::out_of_range("stoul argument out of range");
    return value;
}

void throwInvalidMapKey() { throw std::out_of_range("invalid unordered_map<K, T> key"); }

}  // namespace heidenhain
