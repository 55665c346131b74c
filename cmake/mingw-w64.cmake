# What both mingw-w64 toolchains share; each sets NOLT_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and NOLT_WINE_LOADER (Wine's loader for its
# bitness) before including this. Debian's mingw-w64 with the POSIX thread
# model, so that std::thread and std::timed_mutex exist. Everything is linked
# statically, so that the executables and DLLs run under Wine without copying
# the compiler's runtime DLLs next to them.
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
