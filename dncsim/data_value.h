#pragma once
// Changing a value of a simulated control from outside (tests, demos, the
// remote control class): the text is read as the entry's current type.
#include <string>

#include "dnc/result.h"
#include "dncsim/data_tree.h"

namespace dncsim {

// kOk; kBadParameter without the entry; kInvalidArg when the text does not
// read as the entry's type. A read-only entry is changed as well: the
// control itself may change what its clients must not.
dnc::HRESULT writeDataText(DataTree& tree, const std::string& path, const std::string& text);

}  // namespace dncsim
