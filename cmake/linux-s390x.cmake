# Cross-build for 64-bit big-endian IBM Z Linux (Debian's g++-s390x-linux-gnu);
# the programs run under qemu-s390x, so that code assuming the host's byte
# order fails its tests.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(RAVUNA_CROSS_TRIPLET s390x-linux-gnu)
set(RAVUNA_QEMU_CPU s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
