# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads variant):
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
# Executables run through Wine (cmake/wine-run), so ctest works on the build host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Never let pkg-config hand the host's libraries to the cross compiler.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${KESTRO_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The C and C++ runtimes and winpthreads linked in: the shipped programs need no
# DLL beside them, and under Wine a dynamically linked program exits silently
# unless the mingw runtime folders are on WINEPATH.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# -O2 as the Linux builds use: GCC 12 gives false -Wrestrict and
# -Wmaybe-uninitialized reports inside std::string at -O3.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")

# Each build folder gets its own Wine prefix, created on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
