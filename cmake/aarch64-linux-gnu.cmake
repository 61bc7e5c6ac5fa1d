# Cross toolchain for the native Linux program on 64-bit ARM: Debian's
# cross compiler (crossbuild-essential-arm64) and the arm64 libraries of a
# multiarch system, as in the build root (scripts/build-root.sh):
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# The .pc files of /usr/lib/aarch64-linux-gnu, not the build machine's.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "")
