# What the ARM boards' toolchain files share: Debian's cross compilers for KL_TRIPLET, the target's
# libraries from its multiarch packages, protoc and other programs from the build machine, and
# qemu-user to run the target's programs (the tests) here.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${KL_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KL_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${KL_TRIPLET})
# The target's run-time libraries are the multiarch packages of this machine's root: -L / keeps qemu
# from looking first in a prefix of its own (/etc/qemu-binfmt/ARCH).
set(CMAKE_CROSSCOMPILING_EMULATOR ${KL_QEMU} -L /)
# pkg-config (libsystemd, for klbench) looks at the target's libraries, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${KL_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KL_DEB_ARCH})
# GCC notes where ARM argument passing changed in an old release; one compiler builds every object here.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
