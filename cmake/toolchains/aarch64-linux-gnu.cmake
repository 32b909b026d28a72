# Cross build for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu) and the
# arm64 libraries of Debian multiarch (libgtest-dev:arm64, qt6-base-dev:arm64, ...); tests run
# under qemu-aarch64:
#
#   cmake -S . -B build/arm64 --toolchain cmake/toolchains/aarch64-linux-gnu.cmake \
#         -DCORVANE_BUILD_BENCH=OFF
#
# Qt's build tools (moc, rcc) are the host's: QT_HOST_PATH defaults to /usr.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CORVANE_TARGET_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CORVANE_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CORVANE_TARGET_TRIPLE}-g++)
# The multiarch libraries and CMake packages live in /usr/lib/aarch64-linux-gnu.
set(CMAKE_LIBRARY_ARCHITECTURE ${CORVANE_TARGET_TRIPLE})

if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host's Qt 6 tools")
endif()

find_program(CORVANE_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(CORVANE_QEMU_AARCH64)
  # No -L prefix: the ARM64 loader and C library are libc6:arm64's, installed beside the
  # host's (/lib/ld-linux-aarch64.so.1), so every library comes from the same multiarch
  # release. (With -L /usr/aarch64-linux-gnu, the cross toolchain's copy of the C library,
  # the Qt Test programs hang before their first test.)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_QEMU_AARCH64})
endif()
