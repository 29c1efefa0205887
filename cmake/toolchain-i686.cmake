# Cross build for i686 Windows with Debian's MinGW-w64 (posix thread model, so
# the tests can use std::thread; everything is linked statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(OMBRIX_WINE_PREFIX_NAME pfx32)
# Doubles are computed in SSE2 registers, never on the x87 unit: x87
# arithmetic rounds to whatever precision the calling thread's control word
# sets (64 bits in programs built with MinGW or Delphi, 24 bits after a
# Direct3D 9 device was created without FPU preservation), so the same
# conversion would give the host different answers from the IEEE double
# arithmetic of the 64-bit build. Doubles still come back in st(0), as the
# 32-bit convention says. A 32-bit caller aligns the stack to 4 bytes only;
# -mstackrealign realigns it in the functions that need more.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
