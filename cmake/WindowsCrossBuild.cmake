# The Windows side of a Linux build: when Debian's mingw-w64 is installed, the non-GUI parts are
# also built as Windows programs (the Win32 backend, the launcher kstSubst.exe and the Windows
# test programs) in a nested build under <build>/windows. Tests run them under Wine in
# throw-away prefixes (tests/win32, tests/launcher).
include(ExternalProject)

find_program(KESTREL_MINGW_CXX x86_64-w64-mingw32-g++)
set(KESTREL_WINDOWS_BUILD_DIR ${CMAKE_BINARY_DIR}/windows)

if(NOT KESTREL_MINGW_CXX)
    message(STATUS "mingw-w64 not found: the Windows programs are not built")
    return()
endif()

ExternalProject_Add(kestrel_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${KESTREL_WINDOWS_BUILD_DIR}
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
        -DCMAKE_BUILD_TYPE=MinSizeRel
        -DKESTREL_GUI=OFF
        -DKESTREL_TESTS=ON
        -DKESTREL_BENCH=OFF
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)

# Where the nested build puts the programs the Linux tests run under Wine.
set(KESTREL_WINDOWS_LAUNCHER ${KESTREL_WINDOWS_BUILD_DIR}/launcher/kstSubst.exe)
set(KESTREL_WINDOWS_TESTS_DIR ${KESTREL_WINDOWS_BUILD_DIR}/tests/win32)
