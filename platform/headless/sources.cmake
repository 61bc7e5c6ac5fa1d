target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/headless/window_headless.cpp
    ${CMAKE_SOURCE_DIR}/platform/headless/system_headless.cpp
    ${CMAKE_SOURCE_DIR}/platform/headless/cfileslice_headless.cpp)
