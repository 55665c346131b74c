# Cross-compiles for 64-bit Windows (x64) with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NOLT_MINGW_TRIPLE x86_64-w64-mingw32)
set(NOLT_WINE_LOADER wine64)
set(NOLT_WIDL_BITNESS -m64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
