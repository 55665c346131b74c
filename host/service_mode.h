#pragma once
#include "platform/log.h"

namespace heidenhain {

// Whether the process runs under the service manager (see platform/log.h).
using platform::isServiceMode;
using platform::setServiceMode;

}  // namespace heidenhain
