#include "dncsim/data_value.h"

#include <cstdlib>
#include <optional>

#include "dncsim/remote_control.h"
#include "dncsim/simulator.h"

namespace dncsim {
namespace {

// The whole text must be the number.
std::optional<long long> wholeSigned(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') return std::nullopt;
    return value;
}

std::optional<double> wholeReal(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') return std::nullopt;
    return value;
}

std::optional<dnc::Variant> asTypeOf(const dnc::Variant& current, const std::string& text) {
    switch (current.vt()) {
        case dnc::VT_BOOL:
            if (text == "1" || text == "true") return dnc::Variant::boolean(true);
            if (text == "0" || text == "false") return dnc::Variant::boolean(false);
            return std::nullopt;
        case dnc::VT_I1: case dnc::VT_I2: case dnc::VT_I4: case dnc::VT_I8: case dnc::VT_INT:
            if (auto value = wholeSigned(text)) return dnc::Variant::fromSigned(current.vt(), *value);
            return std::nullopt;
        case dnc::VT_UI1: case dnc::VT_UI2: case dnc::VT_UI4: case dnc::VT_UI8: case dnc::VT_UINT:
            if (auto value = wholeSigned(text); value && *value >= 0)
                return dnc::Variant::fromUnsigned(current.vt(), static_cast<unsigned long long>(*value));
            return std::nullopt;
        case dnc::VT_R4: case dnc::VT_R8: case dnc::VT_DATE:
            if (auto value = wholeReal(text)) return dnc::Variant::fromReal(current.vt(), *value);
            return std::nullopt;
        default:
            return dnc::Variant(text);
    }
}

}  // namespace

dnc::HRESULT writeDataText(DataTree& tree, const std::string& path, const std::string& text) {
    dnc::Variant current;
    if (auto hr = tree.read(path, &current); dnc::failed(hr)) return hr;
    auto value = asTypeOf(current, text);
    if (!value) return dnc::kInvalidArg;
    return tree.write(path, std::move(*value), true);
}

}  // namespace dncsim
