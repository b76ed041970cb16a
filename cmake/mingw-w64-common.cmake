# Shared part of the mingw-w64 toolchain files: Debian's cross compilers with the posix thread
# model (std::thread in the sound output), a static program that needs no DLL beyond the
# system's own, and the warnings that point at real faults made errors.
# Set VORRU_MINGW_TRIPLET before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 5.1)

set(CMAKE_C_COMPILER ${VORRU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORRU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_ASM_COMPILER ${VORRU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_RC_COMPILER ${VORRU_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORRU_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Warnings that mean a wrong program rather than a matter of taste.
set(_vorru_werror
    -Werror=return-type -Werror=uninitialized -Werror=array-bounds -Werror=format
    -Werror=format-security -Werror=int-to-pointer-cast
    -Werror=narrowing -Werror=shift-count-overflow -Werror=shift-count-negative
    -Werror=sizeof-pointer-memaccess -Werror=stringop-overflow -Werror=address
    -Werror=nonnull -Werror=free-nonheap-object -Werror=overflow -Werror=sequence-point
    -Werror=strict-aliasing -Werror=cast-function-type -Werror=delete-non-virtual-dtor
    -Werror=mismatched-new-delete -Werror=use-after-free -Werror=dangling-pointer)
string(REPLACE ";" " " _vorru_werror "${_vorru_werror}")
set(CMAKE_C_FLAGS_INIT "${VORRU_MINGW_ARCH_FLAGS} ${_vorru_werror} -Werror=pointer-to-int-cast -Werror=implicit-function-declaration")
set(CMAKE_CXX_FLAGS_INIT "${VORRU_MINGW_ARCH_FLAGS} ${_vorru_werror}")
set(CMAKE_ASM_FLAGS_INIT "${VORRU_MINGW_ARCH_FLAGS}")
# Everything linked in: libgcc, libstdc++ and winpthread; msvcrt and the system DLLs remain.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
