# The dialog template as a C++ table (res/dialog_table.py), for the backends
# that build the dialog themselves instead of compiling the resource script:
# include "res/cutter_dialog_table.h" and link dialog_table.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QARVEL_DIALOG_TABLE ${CMAKE_BINARY_DIR}/generated/res/cutter_dialog_table.h)
add_custom_command(OUTPUT ${QARVEL_DIALOG_TABLE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/res
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/dialog_table.py
            ${CMAKE_SOURCE_DIR}/res/qarvel.rc ${CMAKE_SOURCE_DIR}/res/resource.h IDD_CUTTER_DIALOG
            ${QARVEL_DIALOG_TABLE}
    DEPENDS ${CMAKE_SOURCE_DIR}/res/dialog_table.py ${CMAKE_SOURCE_DIR}/res/qarvel.rc
            ${CMAKE_SOURCE_DIR}/res/resource.h
    VERBATIM)
add_custom_target(dialog_table_header DEPENDS ${QARVEL_DIALOG_TABLE})
add_library(dialog_table INTERFACE)
target_include_directories(dialog_table INTERFACE ${CMAKE_BINARY_DIR}/generated)
add_dependencies(dialog_table dialog_table_header)
