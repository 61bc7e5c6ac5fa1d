# The dialog templates as C++ tables (res/dialog_table.py), for the backends
# that build the dialogs themselves instead of compiling the resource
# script: include "res/cutter_dialog_table.h" (kControls, kDialog) and
# "res/progress_dialog_table.h" (kProgressControls, kProgressDialog), and
# link dialog_table.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QARVEL_DIALOG_TABLE ${CMAKE_BINARY_DIR}/generated/res/cutter_dialog_table.h)
set(QARVEL_PROGRESS_TABLE ${CMAKE_BINARY_DIR}/generated/res/progress_dialog_table.h)
foreach(table IN ITEMS "IDD_CUTTER_DIALOG;${QARVEL_DIALOG_TABLE};" "IDD_CUT_PROGRESS;${QARVEL_PROGRESS_TABLE};Progress")
    list(GET table 0 dialog)
    list(GET table 1 header)
    list(GET table 2 prefix)
    add_custom_command(OUTPUT ${header}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/res
        COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/dialog_table.py
                ${CMAKE_SOURCE_DIR}/res/qarvel.rc ${CMAKE_SOURCE_DIR}/res/resource.h ${dialog} ${header} ${prefix}
        DEPENDS ${CMAKE_SOURCE_DIR}/res/dialog_table.py ${CMAKE_SOURCE_DIR}/res/qarvel.rc
                ${CMAKE_SOURCE_DIR}/res/resource.h
        VERBATIM)
endforeach()
add_custom_target(dialog_table_header DEPENDS ${QARVEL_DIALOG_TABLE} ${QARVEL_PROGRESS_TABLE})
add_library(dialog_table INTERFACE)
target_include_directories(dialog_table INTERFACE ${CMAKE_BINARY_DIR}/generated)
add_dependencies(dialog_table dialog_table_header)
