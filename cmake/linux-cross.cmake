# Shared part of the Linux cross toolchains (linux-aarch64.cmake,
# linux-s390x.cmake): Debian's cross compiler for RAVUNA_CROSS_TRIPLET, its
# target libraries under /usr/<triplet>, and the built programs run under
# qemu-user with that folder as the loader's root.
set(CMAKE_SYSTEM_NAME Linux)

find_program(CMAKE_C_COMPILER NAMES ${RAVUNA_CROSS_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${RAVUNA_CROSS_TRIPLET}-g++ REQUIRED)

# Headers and libraries come from the target's folder only, so nothing of the
# host's (its CLI11, libpcap or pkg-config files) leaks into the build: rmf,
# whose dependencies have no target copies here, is left out by itself.
set(CMAKE_FIND_ROOT_PATH /usr/${RAVUNA_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${RAVUNA_CROSS_TRIPLET}/pkgconfig)

find_program(RAVUNA_QEMU NAMES qemu-${RAVUNA_QEMU_CPU})
if(RAVUNA_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RAVUNA_QEMU} -L /usr/${RAVUNA_CROSS_TRIPLET})
else()
  message(WARNING "qemu-${RAVUNA_QEMU_CPU} not found: the ${CMAKE_SYSTEM_PROCESSOR} tests "
                  "cannot run here; install the Debian package qemu-user")
endif()
