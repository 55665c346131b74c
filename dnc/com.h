#pragma once
// Stand-ins for the COM runtime calls that the session makes, so that its call
// sites read the same on every platform. On POSIX there is no apartment to join.
#include <cstdint>

#include "dnc/result.h"

namespace dnc {

enum COINIT : std::uint32_t {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
};

inline HRESULT CoInitializeEx(void* /*reserved*/, std::uint32_t /*coInit*/) { return kOk; }
inline void CoUninitialize() {}

}  // namespace dnc
