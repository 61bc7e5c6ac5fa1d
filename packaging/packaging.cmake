# The Windows download of this build: a zip written by make_zip.py.
# scripts/release.sh makes it from both builds (and the Debian package of
# the native program with make_deb.sh).
#
# The zip is not CPack's: its ZIP generator stores local-time DOS stamps
# (the builder's time zone) and the builder's uid and gid in every entry,
# so two builds on two machines differ.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# win32 or win64, as the downloads are named.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QARVEL_WINDOWS win64)
else()
    set(QARVEL_WINDOWS win32)
endif()
set(QARVEL_ZIP ${CMAKE_BINARY_DIR}/Qarvel-${PROJECT_VERSION}-${QARVEL_WINDOWS}.zip)

add_custom_command(
    OUTPUT ${QARVEL_ZIP}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/packaging/make_zip.py ${QARVEL_ZIP}
            Qarvel.exe=$<TARGET_FILE:Qarvel>
            使用说明.txt=${CMAKE_SOURCE_DIR}/packaging/guide.zh_CN.txt:bom
            LICENSE=${CMAKE_SOURCE_DIR}/LICENSE:text
    DEPENDS Qarvel ${CMAKE_SOURCE_DIR}/packaging/make_zip.py
            ${CMAKE_SOURCE_DIR}/packaging/guide.zh_CN.txt ${CMAKE_SOURCE_DIR}/LICENSE
    VERBATIM)
add_custom_target(qarvel_zip DEPENDS ${QARVEL_ZIP})
