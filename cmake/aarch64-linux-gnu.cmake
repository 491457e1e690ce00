# Cross build for 64-bit ARM Linux: Debian's aarch64-linux-gnu compiler and the
# :arm64 development packages installed through multiarch (their libraries in
# /usr/lib/aarch64-linux-gnu). Test programs run under qemu-user.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Only the arm64 libraries: the host's own live in /usr/lib/x86_64-linux-gnu,
# which this architecture never searches.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# ctest and the test discovery start the programs through the emulator; the
# C library comes from the cross toolchain's sysroot.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
