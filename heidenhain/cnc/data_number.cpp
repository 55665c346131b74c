#include "heidenhain/cnc/data_number.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace heidenhain {
namespace {

struct Bounds {
    std::int64_t low;
    std::int64_t high;
};

template <class T>
constexpr Bounds boundsOf() {
    return {std::numeric_limits<T>::min(), std::numeric_limits<T>::max()};
}

// An unsigned 64-bit entry takes every integer from 0 that a client can send.
std::optional<Bounds> integerBounds(dnc::VARTYPE vt) {
    switch (vt) {
        case dnc::VT_I2: return boundsOf<std::int16_t>();
        case dnc::VT_I4: case dnc::VT_INT: return boundsOf<std::int32_t>();
        case dnc::VT_I8: return boundsOf<std::int64_t>();
        case dnc::VT_UI1: return boundsOf<std::uint8_t>();
        case dnc::VT_UI2: return boundsOf<std::uint16_t>();
        case dnc::VT_UI4: case dnc::VT_UINT: return boundsOf<std::uint32_t>();
        case dnc::VT_UI8: return Bounds{0, std::numeric_limits<std::int64_t>::max()};
        default: return std::nullopt;
    }
}

bool isUnsigned(dnc::VARTYPE vt) {
    return vt == dnc::VT_UI1 || vt == dnc::VT_UI2 || vt == dnc::VT_UI4 || vt == dnc::VT_UINT || vt == dnc::VT_UI8;
}

std::out_of_range outOfRange(std::int64_t number) {
    return std::out_of_range("Number " + std::to_string(number) + " is out of range for this entry");
}

}  // namespace

dnc::Variant numberVariant(const nolt::Number& number) {
    if (const auto* real = std::get_if<double>(&number)) return dnc::Variant(*real);
    const std::int64_t integer = std::get<std::int64_t>(number);
    const auto i4 = boundsOf<std::int32_t>();
    if (integer >= i4.low && integer <= i4.high) return dnc::Variant(static_cast<std::int32_t>(integer));
    return dnc::Variant::fromSigned(dnc::VT_I8, integer);
}

std::optional<dnc::Variant> numberAs(dnc::VARTYPE current, const nolt::Number& number) {
    const bool real = current == dnc::VT_R8 || current == dnc::VT_DATE;
    if (const auto* fraction = std::get_if<double>(&number)) {
        if (!real) return std::nullopt;
        return dnc::Variant::fromReal(current, *fraction);
    }
    const std::int64_t integer = std::get<std::int64_t>(number);
    if (real) {
        // Past 2^53 a double holds only every other integer, and fewer beyond.
        constexpr std::int64_t exact = std::int64_t{1} << 53;
        if (integer < -exact || integer > exact) throw outOfRange(integer);
        return dnc::Variant::fromReal(current, static_cast<double>(integer));
    }
    const auto bounds = integerBounds(current);
    if (!bounds) return std::nullopt;
    if (integer < bounds->low || integer > bounds->high) throw outOfRange(integer);
    if (isUnsigned(current)) return dnc::Variant::fromUnsigned(current, static_cast<std::uint64_t>(integer));
    return dnc::Variant::fromSigned(current, integer);
}

}  // namespace heidenhain
