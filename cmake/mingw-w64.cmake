# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix
# thread model, for std::thread), e.g.:
#   cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DRX_HOST_TOOLS=build/plain
# Programs link statically, so that the .exe runs without any DLL beside it
# (under Wine as well as on Windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RX_MINGW_PREFIX}-g++-posix)
set(CMAKE_ASM_COMPILER ${RX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${RX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes winpthread and the C++ runtime from their archives too.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

