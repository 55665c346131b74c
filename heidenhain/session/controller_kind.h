#pragma once
// What a controller type name tells about the control behind it.
#include <string>

namespace heidenhain {

inline bool isItnc(const std::string& controllerType) {
    return controllerType == "itnc" || controllerType == "itnc530";
}

// The older controls, whose tool and pocket tables are fixed-width text
// tables behind the table interface.
inline bool usesItncTable(const std::string& controllerType) {
    return isItnc(controllerType) || controllerType == "tnc426";
}

}  // namespace heidenhain
