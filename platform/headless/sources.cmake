# The headless backend: the window half in memory, for the unit tests, over
# the POSIX file half.
target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/headless/window_headless.cpp
    ${CMAKE_SOURCE_DIR}/platform/headless/disk_name_headless.cpp)
include(${CMAKE_SOURCE_DIR}/platform/posix/sources.cmake)
