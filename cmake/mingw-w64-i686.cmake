# Cross-compiling toolchain: MinGW-w64 (posix thread model) targeting 32-bit
# Windows, the pointer size of the handheld device.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Test executables run under Wine (its 32-bit part).
find_program(WINE_EXECUTABLE NAMES wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
