# The gtk backend: the window half on GTK 3, for the native Linux program,
# over the POSIX file half. The dialog comes from the template table
# (res/dialog_table.cmake); the icon from res/qarvel.ico, compiled in.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
include(${CMAKE_SOURCE_DIR}/res/dialog_table.cmake)

# The icon's bytes as a C array, made when the build is configured (and
# again whenever the icon changes).
set(QARVEL_ICON_SOURCE ${CMAKE_SOURCE_DIR}/res/qarvel.ico)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QARVEL_ICON_SOURCE})
file(READ ${QARVEL_ICON_SOURCE} icon_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," icon_bytes "${icon_hex}")
file(WRITE ${CMAKE_BINARY_DIR}/generated/res/qarvel_icon.h
    "// res/qarvel.ico, made by platform/gtk/sources.cmake: never edited.\n"
    "#pragma once\nstatic const unsigned char kQarvelIcon[] = { ${icon_bytes} };\n")

target_sources(platform PRIVATE
    ${CMAKE_SOURCE_DIR}/platform/gtk/text_gtk.cpp
    ${CMAKE_SOURCE_DIR}/platform/gtk/window_gtk.cpp
    ${CMAKE_SOURCE_DIR}/platform/gtk/cfiledialog_gtk.cpp
    ${CMAKE_SOURCE_DIR}/platform/gtk/resources_gtk.cpp
    ${CMAKE_SOURCE_DIR}/platform/gtk/disk_name_gtk.cpp)
target_link_libraries(platform PUBLIC PkgConfig::GTK3 PRIVATE dialog_table)
include(${CMAKE_SOURCE_DIR}/platform/posix/sources.cmake)

# The program's entry point, outside the library: test programs bring a
# main of their own.
add_library(platform_entry OBJECT ${CMAKE_SOURCE_DIR}/platform/gtk/main_gtk.cpp)
target_link_libraries(platform_entry PUBLIC platform PRIVATE dialog_table)
