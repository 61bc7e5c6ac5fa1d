# Cross toolchain for the product on 64-bit Windows (Win64): MinGW-w64
# x86_64. The same program; a 64-bit image is large address aware by
# itself.
#   cmake --preset win64
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QARVEL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
