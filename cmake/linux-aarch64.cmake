# Cross-build for 64-bit ARM Linux (Debian's g++-aarch64-linux-gnu); the
# programs run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(RAVUNA_CROSS_TRIPLET aarch64-linux-gnu)
set(RAVUNA_QEMU_CPU aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
