# The release files: the Windows download of this build (a zip written by
# make_zip.py), and from the Win64 build the Debian package (CPack's DEB
# generator). scripts/release.sh makes them from both builds.
#
# The zip is not CPack's: its ZIP generator stores local-time DOS stamps
# (the builder's time zone) and the builder's uid and gid in every entry,
# so two builds on two machines differ. Its DEB output does not: with
# SOURCE_DATE_EPOCH set it is byte for byte the same, owners root.

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# win32 or win64, as the downloads are named.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QARVEL_WINDOWS win64)
else()
    set(QARVEL_WINDOWS win32)
endif()
set(QARVEL_ZIP ${CMAKE_BINARY_DIR}/Qarvel-${PROJECT_VERSION}-${QARVEL_WINDOWS}.zip)

# The menu icon: res/'s icon as PNG, made at build time.
set(QARVEL_ICON_DIR ${CMAKE_BINARY_DIR}/packaging/icons)
add_custom_command(
    OUTPUT ${QARVEL_ICON_DIR}/48x48.png
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/packaging/ico_to_png.py
            ${CMAKE_SOURCE_DIR}/res/qarvel.ico ${QARVEL_ICON_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/ico_to_png.py ${CMAKE_SOURCE_DIR}/res/qarvel.ico
    VERBATIM)
add_custom_target(qarvel_icons DEPENDS ${QARVEL_ICON_DIR}/48x48.png)

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

# The Debian package runs the Win64 build under 64-bit Wine, which every
# amd64 machine runs; 32-bit Wine would need the i386 architecture, and
# some machines execute no 32-bit code at all.
if(NOT QARVEL_WINDOWS STREQUAL win64)
    return()
endif()

set(QARVEL_LIB_DIR lib/qarvel)
# The launcher names the installed program.
set(QARVEL_EXE /usr/${QARVEL_LIB_DIR}/Qarvel.exe)
set(QARVEL_FONTS_REG /usr/${QARVEL_LIB_DIR}/wine-fonts.reg)
configure_file(${CMAKE_SOURCE_DIR}/packaging/qarvel.in ${CMAKE_BINARY_DIR}/packaging/qarvel @ONLY)

# What the Debian package installs (under /usr).
install(TARGETS Qarvel RUNTIME DESTINATION ${QARVEL_LIB_DIR}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/qarvel DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/wine-fonts.reg DESTINATION ${QARVEL_LIB_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/qarvel.desktop DESTINATION share/applications)
install(FILES ${QARVEL_ICON_DIR}/48x48.png DESTINATION share/icons/hicolor/48x48/apps
    RENAME qarvel.png)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/qarvel RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/guide.zh_CN.txt DESTINATION share/doc/qarvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut a piece out of an MP3 file by byte range")
set(CPACK_PACKAGE_DESCRIPTION
"Qarvel is a small Windows tool with a Simplified Chinese dialog: it copies
the bytes of an MP3 file from a start byte, as many as asked, into a new
file. Start and end may be given in seconds; the bytes follow from a
constant-rate estimate. This package runs its 64-bit build under Wine, in a
prefix of each user's own.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Qarvel project")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Revision 2: the same program, packaged as its 64-bit build (revision 1 was
# the 32-bit build, architecture all, on wine32).
set(CPACK_DEBIAN_PACKAGE_RELEASE 2)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# amd64: wine64 is built for amd64 only. The launcher calls its loader and
# wineserver by their paths, so neither Debian's wine wrapper (which takes
# the 32-bit loader whenever wine32 is there) nor wine32 is needed.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wine64, fonts-wine, fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
include(CPack)
