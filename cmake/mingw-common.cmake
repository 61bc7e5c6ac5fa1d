# What both Windows toolchains share; each sets QARVEL_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR, then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QARVEL_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QARVEL_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${QARVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QARVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Statically linked runtime (libgcc, libstdc++, winpthread), so an .exe needs
# only DLLs that every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# No link time in the PE header, so two builds of one commit are identical.
# The oldest Windows the programs run on is 6.0 (Vista): they import
# GetTickCount64, and an older system then refuses them cleanly at load.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--no-insert-timestamp")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--major-subsystem-version,6,--minor-subsystem-version,0")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--major-os-version,6,--minor-os-version,0")

# Small: every function and object in its own section, unused ones dropped
# by the linker; MinSizeRel adds -Os and strips the symbols.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--gc-sections")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")
