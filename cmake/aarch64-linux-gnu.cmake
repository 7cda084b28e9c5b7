# Cross-compiling for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu).
# Programs built this way run on an x86-64 host under qemu-user: ctest starts each test through
# the emulator, with the target's libraries taken from Debian's cross sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(QUERNIX_AARCH64_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${QUERNIX_AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QUERNIX_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(QUERNIX_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUERNIX_QEMU_AARCH64} -L ${QUERNIX_AARCH64_SYSROOT})
endif()
