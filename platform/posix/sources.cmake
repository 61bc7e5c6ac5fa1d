# The file half on the real POSIX file system, shared by the backends that
# run on Linux.
target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/posix/path_rules_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfile_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfileslice_posix.cpp)
