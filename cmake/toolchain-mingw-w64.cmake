# Cross-build for 64-bit Windows with the mingw-w64 toolchain (Debian:
# g++-mingw-w64-x86-64-posix, mingw-w64-tools). Gives KORVELGRAPHLINE.dll.
#
#   cmake -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVEL_CROSS_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVEL_CROSS_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEL_CROSS_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEL_CROSS_PREFIX}-windres)
# The type library compiler, used for the module's TYPELIB resource.
set(KORVEL_WIDL ${KORVEL_CROSS_PREFIX}-widl CACHE STRING "IDL compiler for the type library")

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
