# Qarvel.exe: the application object, the dialog library and the resources.
enable_language(RC)

# windres gets only its own options: the top level's compile options
# (warnings, the GBK execution character set) are meant for the C++ compiler
# and windres refuses them. -c 65001: the script is UTF-8, so its texts
# become UTF-16 as resources hold them.
set(CMAKE_RC_COMPILE_OBJECT
    "<CMAKE_RC_COMPILER> -O coff -c 65001 <DEFINES> <INCLUDES> <SOURCE> <OBJECT>")

# The resource script, for Qarvel.exe and for the layer tests, which create
# the real dialog from its template.
set(QARVEL_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/res/qarvel.rc)
set_property(SOURCE ${QARVEL_RESOURCE_SCRIPT} APPEND PROPERTY
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/res/qarvel.ico ${CMAKE_SOURCE_DIR}/res/qarvel.manifest
                   ${CMAKE_SOURCE_DIR}/res/resource.h)
# The version resource's values come from the project's version. The
# include folder is the directory's, so the layer tests' copy of the script
# finds the header too.
configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${CMAKE_BINARY_DIR}/res/version.h @ONLY)
include_directories($<$<COMPILE_LANGUAGE:RC>:${CMAKE_BINARY_DIR}/res>)

# WIN32: the graphical subsystem (-mwindows).
add_executable(Qarvel WIN32 ${CMAKE_SOURCE_DIR}/app/the_app.cpp ${QARVEL_RESOURCE_SCRIPT})
target_link_libraries(Qarvel PRIVATE platform_entry dialog)
set_target_properties(Qarvel PROPERTIES
    OUTPUT_NAME Qarvel
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
