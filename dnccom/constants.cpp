#include "dnccom/constants.h"

#include <utility>

#include "dnc/data_access.h"
#include "dnc/file_system.h"
#include "dnccom/component.h"
#include "dnccom/object.h"

namespace dnccom {
namespace {

template <std::size_t N>
Var translate(std::int32_t value, const std::pair<std::int32_t, const char*> (&names)[N]) {
    for (const auto& [ours, name] : names) {
        if (ours != value) continue;
        const auto constant = Component::instance().constant(name);
        return constant ? Var::i4(*constant) : notBound();
    }
    return Var::i4(value);  // a number without a name of ours passes as it is
}

}  // namespace

Var interfaceKind(dnc::DNC_INTERFACE_OBJECT kind) {
    static const std::pair<std::int32_t, const char*> names[] = {
        {dnc::DNC_INTERFACE_JHAUTOMATIC, "DNC_INTERFACE_JHAUTOMATIC"},
        {dnc::DNC_INTERFACE_JHDATAACCESS, "DNC_INTERFACE_JHDATAACCESS"},
        {dnc::DNC_INTERFACE_JHERROR, "DNC_INTERFACE_JHERROR"},
        {dnc::DNC_INTERFACE_JHFILESYSTEM, "DNC_INTERFACE_JHFILESYSTEM"},
        {dnc::DNC_INTERFACE_JHPROCESSDATA, "DNC_INTERFACE_JHPROCESSDATA"},
        {dnc::DNC_INTERFACE_TNCTABLE, "DNC_INTERFACE_TNCTABLE"},
    };
    return translate(kind, names);
}

Var connectionProperty(dnc::DNC_CONNECTION_PROPERTY kind) {
    static const std::pair<std::int32_t, const char*> names[] = {{dnc::DNC_CP_HOST, "DNC_CP_HOST"}};
    return translate(kind, names);
}

Var propertyKind(std::int32_t kind) {
    static const std::pair<std::int32_t, const char*> names[] = {
        {dnc::DNC_DATAENTRY_PROPKIND_DATA, "DNC_DATAENTRY_PROPKIND_DATA"},
        {dnc::DNC_DATAENTRY_PROPKIND_INITIALVALUE, "DNC_DATAENTRY_PROPKIND_INITIALVALUE"},
    };
    return translate(kind, names);
}

Var unitSelect(std::int32_t unit) {
    static const std::pair<std::int32_t, const char*> names[] = {
        {dnc::DNC_DATA_UNIT_SELECT_NATIVE, "DNC_DATA_UNIT_SELECT_NATIVE"},
        {dnc::DNC_DATA_UNIT_SELECT_METRIC, "DNC_DATA_UNIT_SELECT_METRIC"},
        {dnc::DNC_DATA_UNIT_SELECT_INCH, "DNC_DATA_UNIT_SELECT_INCH"},
    };
    return translate(unit, names);
}

Var fileAttribute(std::int32_t attribute) {
    static const std::pair<std::int32_t, const char*> names[] = {
        {dnc::DNC_ATTRIBUTE_READONLY, "DNC_ATTRIBUTE_READONLY"},
        {dnc::DNC_ATTRIBUTE_HIDDEN, "DNC_ATTRIBUTE_HIDDEN"},
        {dnc::DNC_ATTRIBUTE_DIRECTORY, "DNC_ATTRIBUTE_DIRECTORY"},
    };
    return translate(attribute, names);
}

}  // namespace dnccom
