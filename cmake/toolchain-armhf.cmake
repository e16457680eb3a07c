# The 32-bit ARM board (Debian armhf): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(KL_TRIPLET arm-linux-gnueabihf)
set(KL_DEB_ARCH armhf)
set(KL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/KlCrossToolchain.cmake)
