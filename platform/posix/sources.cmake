# What the backends that run on Linux share: the file half on the real POSIX
# file system, the code page 936 and UTF-8 conversions, and the numbers of
# dialog items.
target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/posix/path_rules_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfile_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cfileslice_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/cwinthread_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/text_posix.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix/dialog_number.cpp)
# The copy of a long cut runs on a thread of its own (platform/cwinthread.h).
find_package(Threads REQUIRED)
target_link_libraries(platform PUBLIC Threads::Threads)
