# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The programs run under Wine (wine64), which also serves as the emulator that
# CMake uses to run the build's own Windows programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_quellon_mingw x86_64-w64-mingw32)
# The "posix" flavour has the full C++ thread library of GCC 12.
find_program(CMAKE_CXX_COMPILER NAMES ${_quellon_mingw}-g++-posix ${_quellon_mingw}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${_quellon_mingw}-gcc-posix ${_quellon_mingw}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${_quellon_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_quellon_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: the C++ runtime and the thread library linked in,
# so that a program runs from any folder without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(QUELLON_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUELLON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELLON_WINE})
endif()
unset(_quellon_mingw)
