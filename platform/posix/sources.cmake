# What the backends that run on Linux share: the file half on the real POSIX
# file system, the code page 936 and UTF-8 conversions, and the numbers of
# dialog items.
target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/posix/path_rules_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfile_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfileslice_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/text_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/dialog_number.cpp)
