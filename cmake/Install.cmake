# What `cmake --install` puts under the prefix besides the two programs, and
# the package CPack builds from it: the Debian package (`./run package`), or
# on Windows the zip (`./run windows`).
#
#   bin/quorvik, bin/quorvik-vss                 (their own install rules)
#   share/applications/quorvik.desktop
#   share/icons/hicolor/scalable/apps/quorvik.svg
#   share/quorvik/help/                          the manual and its screenshots
#   share/quorvik/icons/                         the pictures the manual shows
#   share/doc/quorvik/copyright                  the licence (LICENSE)
#   share/doc/quorvik/THIRD-PARTY.txt            what is used under which licence
#   lib/systemd/user/quorvik-headless.service    the headless watcher as a user
#                                                service (Linux)
#
# The program looks for its help at <bin>/../share/quorvik/help/index.html,
# so the data folder must stay "share" relative to the program's folder.
# Tests, benchmarks, vssgen and the fuzz targets have no install rules.
#
# The Windows zip holds one folder quorvik-<version>-windows-x64/ with
#   quorvik.exe, quorvik.com, quorvik-vss.exe, README.txt
#   LICENSE.txt, THIRD-PARTY.txt
#   licenses/   the texts of what is linked in (Qt, the GCC and mingw-w64 runtimes)
#   help/       the manual and its screenshots (found beside the program)
#   icons/      the pictures the manual shows
# `./run windows` also writes quorvik-<version>-source.zip beside it: the
# source the programs were built from.

file(GLOB QUORVIK_SCREENSHOTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshots/*.png)
# Each platform's manual shows its own pictures; the Windows one shows these
# three in their Windows looks (windows-*.png) and no StatusNotifierItem panel.
if(WIN32)
    list(FILTER QUORVIK_SCREENSHOTS EXCLUDE REGEX "/(main-window|tray-menu|tray-sni|explorer)\\.png$")
else()
    list(FILTER QUORVIK_SCREENSHOTS EXCLUDE REGEX "/windows-[^/]*$")
endif()

# The screenshots are kept once, in docs/screenshots. Bundled beside the pages
# (":/help/<name>.png") they also show in the copy of the manual the program
# extracts when it finds no installed one (a run from the build folder).
if(TARGET quorvik_ui AND QUORVIK_SCREENSHOTS)
    qt_add_resources(quorvik_ui "help_pictures" PREFIX "/help"
        BASE ${PROJECT_SOURCE_DIR}/docs/screenshots
        FILES ${QUORVIK_SCREENSHOTS})
endif()

if(WIN32)
    if(TARGET quorvik)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)
        install(DIRECTORY ${QUORVIK_HELP_BUILD_DIR}/ DESTINATION help)
        install(FILES ${QUORVIK_SCREENSHOTS} DESTINATION help)
        install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/ DESTINATION icons
            FILES_MATCHING PATTERN "*.svg")
    endif()
    # Static Qt and runtimes: their licences travel with the programs. The Qt
    # copyright files are those of Debian's qt6-base and qt6-svg 6.4.2, the
    # sources the static Qt is built from.
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
    install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY.txt DESTINATION .)
    foreach(text
            "/usr/share/doc/libqt6core6/copyright:qt6-base-copyright.txt"
            "/usr/share/doc/libqt6svg6/copyright:qt6-svg-copyright.txt"
            "/usr/share/doc/qt6-translations-l10n/copyright:qt6-translations-copyright.txt"
            "/usr/share/common-licenses/LGPL-3:LGPL-3.txt"
            "/usr/share/common-licenses/GPL-2:GPL-2.txt"
            "/usr/share/doc/gcc-mingw-w64-base/copyright:gcc-runtime-copyright.txt"
            "/usr/share/doc/mingw-w64-common/copyright:mingw-w64-copyright.txt")
        string(REGEX REPLACE ":.*" "" from "${text}")
        string(REGEX REPLACE ".*:" "" to "${text}")
        install(FILES ${from} DESTINATION licenses RENAME ${to})
    endforeach()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME quorvik)
    set(CPACK_PACKAGE_FILE_NAME quorvik-${PROJECT_VERSION}-windows-x64)
    set(CPACK_STRIP_FILES ON)
    # The source package: the source folder without Git's data and build folders.
    set(CPACK_SOURCE_GENERATOR ZIP)
    set(CPACK_SOURCE_PACKAGE_FILE_NAME quorvik-${PROJECT_VERSION}-source)
    set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.git$" "/build[^/]*/" "/\\\\.cache/")
    include(CPack)
    return()
endif()

include(GNUInstallDirs)

# Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvik
    RENAME copyright)
install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY.txt
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvik)

set(QUORVIK_HELP_DIR ${CMAKE_INSTALL_DATADIR}/quorvik/help)

if(TARGET quorvik)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/quorvik.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quorvik.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(DIRECTORY ${QUORVIK_HELP_BUILD_DIR}/ DESTINATION ${QUORVIK_HELP_DIR})
    install(FILES ${QUORVIK_SCREENSHOTS} DESTINATION ${QUORVIK_HELP_DIR})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvik/icons
        FILES_MATCHING PATTERN "*.svg")
endif()

# The unit names the installed program, so it is written at install time,
# when the prefix is known (`cmake --install --prefix`, DESTDIR, CPack).
if(TARGET quorvik AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
    install(CODE "
        set(QUORVIK_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quorvik\")
        set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/quorvik-headless.service\")
        message(STATUS \"Installing: \${unit}\")
        configure_file(\"${PROJECT_SOURCE_DIR}/resources/quorvik-headless.service.in\" \"\${unit}\" @ONLY)
    ")
endif()

# ------------------------------------------------------------ Debian package

set(CPACK_PACKAGE_NAME quorvik)
set(CPACK_PACKAGE_VENDOR "Quorvik developers")
set(CPACK_PACKAGE_CONTACT "Quorvik developers <quorvik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "watches Visual SourceSafe files for check-outs and check-ins")
# Debian wants the long description wrapped; CPack indents each line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quorvik lives in the notification area and polls Visual SourceSafe"
    "databases at an interval from 10 seconds to 60 minutes. When a watched"
    "file is checked out, checked in or has its check-out undone, it switches"
    "its tray icon, beeps, collects a message and keeps a tab-delimited event"
    "log. It reads the database files directly and read-only, so no VSS"
    "client is needed."
    ""
    "The package also holds quorvik-vss, a command-line tool that prints what"
    "the watcher sees in a database (project tree, history, check-outs).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Install through DESTDIR with the prefix the package has, so files written at
# install time (the systemd unit) name /usr paths, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME quorvik)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins are loaded at run time, so dpkg-shlibdeps cannot see them: the SVG
# image plugin draws every icon, the platform plugins open the windows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
# Loaded when a database is given as an smb:// path.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsmbclient")

include(CPack)
