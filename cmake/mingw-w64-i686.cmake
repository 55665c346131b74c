# Cross-compiles for 32-bit Windows (x86) with Debian's mingw-w64: the build
# for a 32-bit vendor component, which only a 32-bit process can load. Its
# tests need 32-bit Wine (Debian's wine32, i386 multiarch).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NOLT_MINGW_TRIPLE i686-w64-mingw32)
set(NOLT_WINE_LOADER wine)
set(NOLT_WIDL_BITNESS -m32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
