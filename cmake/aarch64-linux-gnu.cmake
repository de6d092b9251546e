# Cross build for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu), its programs run through user-mode emulation
# (qemu-aarch64 from qemu-user), so that CTest runs the whole suite as on an
# ARM machine.  GoogleTest for the target comes from libgtest-dev:arm64
# (dpkg --add-architecture arm64).
#
# ARM compilers fuse multiply and add by default; the project's flag target
# turns that off for every target, and this build is where that is checked.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Debian's multiarch layout: the target's libraries and CMake packages live in
# /usr/lib/aarch64-linux-gnu, its headers beside the host's in /usr/include
# (which the cross compiler searches after its own).  No find root path is
# set, so find_package(GTest) finds the arm64 package there through the
# library architecture, as it finds the host's in a native build.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Linked statically: the emulator then needs no target loader or libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(YOFFE_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${YOFFE_QEMU_AARCH64})
