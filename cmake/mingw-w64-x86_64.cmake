# Cross-compiling toolchain: MinGW-w64 (posix thread model) targeting 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Test executables run under Wine.
find_program(WINE_EXECUTABLE NAMES wine wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
