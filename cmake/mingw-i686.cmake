# Cross toolchain for the product on 32-bit Windows (Win32), which every
# Windows runs: MinGW-w64 i686.
#   cmake --preset win32
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QARVEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Large address aware: the cut holds its whole slice in memory, and slices
# near 2 GiB need more than 2 GiB of address space.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--large-address-aware")
