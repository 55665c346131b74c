#include <windows.h>

#include "host/command_line.h"

namespace heidenhain {

std::string processCommandLine(int, const char* const*) {
    const wchar_t* wide = GetCommandLineW();
    std::string narrow;
    for (; *wide; ++wide) narrow += static_cast<char>(*wide & 0xFF);
    return narrow;
}

}  // namespace heidenhain
