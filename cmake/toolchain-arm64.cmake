# The 64-bit ARM board (Debian arm64): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KL_TRIPLET aarch64-linux-gnu)
set(KL_DEB_ARCH arm64)
set(KL_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/KlCrossToolchain.cmake)
