# Cross build of the same sources as a 64-bit Windows program with Debian's mingw-w64 (the build
# the Wine smoke test runs):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORRU_MINGW_TRIPLET x86_64-w64-mingw32)
set(VORRU_MINGW_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
