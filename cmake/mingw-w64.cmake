# Cross-compiling Kestrel's non-GUI parts for 64-bit Windows with Debian's mingw-w64.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DKESTREL_GUI=OFF
# The compilers may be given as KESTREL_MINGW_PREFIX (default x86_64-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

if(NOT KESTREL_MINGW_PREFIX)
    set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)
endif()
set(CMAKE_C_COMPILER ${KESTREL_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_PREFIX}-windres)
set(CMAKE_AR ${KESTREL_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KESTREL_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is a single .exe: no libstdc++/libgcc/winpthread DLLs to carry around.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
