# Cross-build for 32-bit x86 Windows with mingw-w64 (Debian: g++-mingw-w64-i686-posix,
# binutils-mingw-w64-i686). See mingw-x86_64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(BRUMELT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
