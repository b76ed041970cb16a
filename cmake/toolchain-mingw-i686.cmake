# Cross build of the shipped 32-bit Windows program with Debian's mingw-w64:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
# SSE2 for the converters' vector paths and for float arithmetic, so the mixer rounds as on
# x86-64 (no x87 excess precision). The system calls into our callbacks (window procedure,
# threads) with a 4-byte aligned stack; realign it where SSE spills need 16.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORRU_MINGW_TRIPLET i686-w64-mingw32)
set(VORRU_MINGW_ARCH_FLAGS "-msse2 -mfpmath=sse -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
