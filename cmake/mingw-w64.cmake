# What both mingw-w64 toolchains share; each sets NOLT_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR, NOLT_WINE_LOADER (Wine's loader for its bitness)
# and NOLT_WIDL_BITNESS before including this. Debian's mingw-w64 with the
# POSIX thread model, so that std::thread and std::timed_mutex exist.
# Everything is linked statically, so that the executables and DLLs run under
# Wine without copying the compiler's runtime DLLs next to them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${NOLT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NOLT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NOLT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NOLT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Keeps the runtime's lossy atomic waits out of our code (see the header).
set(CMAKE_CXX_FLAGS_INIT "-include \"${CMAKE_CURRENT_LIST_DIR}/mingw-atomic-wait-guard.h\"")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Debian puts Wine's loaders and widl in Wine's own folder, not on PATH.
# CTest runs the test executables through Wine.
find_program(NOLT_WINE NAMES ${NOLT_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(NOLT_WIDL NAMES widl PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOLT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NOLT_WINE})
endif()

# widl makes type libraries of the build's bitness; they import Wine's
# stdole2.tlb of the same bitness, which 32-bit Wine brings. Without it the
# 64-bit one still lets the x86 build compile.
if(NOLT_WIDL_BITNESS STREQUAL "-m32" AND EXISTS /usr/lib/i386-linux-gnu/wine/i386-windows/stdole2.tlb)
  set(NOLT_WIDL_FLAGS -m32 -L/usr/lib/i386-linux-gnu/wine/i386-windows)
else()
  set(NOLT_WIDL_FLAGS ${NOLT_WIDL_BITNESS} -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()
list(APPEND NOLT_WIDL_FLAGS -I/usr/include/wine/wine/windows)
