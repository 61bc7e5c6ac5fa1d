# The win32 backend: the layer's operations over the Windows API (the W
# functions, with the program's code page 936 converted at that boundary),
# chosen by the build for a Windows target.
target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/win32/codepage_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/text_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/dllsearch_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/path_rules_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cwnd_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cdialog_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cfiledialog_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cfile_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cfilefind_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cpaintdc_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/resources_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cfileslice_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/cwinthread_win32.cpp)
target_link_libraries(platform PUBLIC user32 gdi32 kernel32)

# Objects of the graphical program itself, not members of the static
# library: only the runtime's start-up code and libstdc++ ask for WinMain and
# the terminate handler, after the linker has searched the libraries; and
# test programs bring a main of their own.
add_library(platform_entry OBJECT
    ${CMAKE_SOURCE_DIR}/platform/win32/winmain_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/win32/terminate_win32.cpp)
target_link_libraries(platform_entry PUBLIC platform)
