# Cross-build for 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu). The
# programs run on an x86-64 machine under qemu-aarch64 (Debian: qemu-user),
# which CTest uses to discover and run the tests.
#
#   cmake -B build/aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(KORVEL_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${KORVEL_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KORVEL_CROSS_PREFIX}-g++)

set(KORVEL_CROSS_SYSROOT /usr/${KORVEL_CROSS_PREFIX})
find_program(KORVEL_QEMU qemu-aarch64)
if(KORVEL_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVEL_QEMU} -L ${KORVEL_CROSS_SYSROOT})
endif()

# Libraries and packages for the target (a cross-built GoogleTest, say, given
# through CMAKE_PREFIX_PATH) are searched there and under the prefix path.
set(CMAKE_FIND_ROOT_PATH ${KORVEL_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
