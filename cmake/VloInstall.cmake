# Installing: `cmake --install <build> --prefix P` lays the game out as
#   P/bin/velvet-lockout                     launcher (per-user folder, then exec)
#   P/libexec/velvet-lockout/velvet-lockout  the program itself
#   P/share/velvet-lockout/{gfx,music}       read-only data
#   P/share/applications/velvet-lockout.desktop, the icons under
#   P/share/icons/hicolor and the AppStream metainfo under P/share/metainfo.
# The game opens everything relative to its working directory, so the launcher
# runs it from a folder of the user's that links to the installed data; the
# installed tree is never written to.
include(GNUInstallDirs)

set(VLO_INSTALL_NAME velvet-lockout)
set(VLO_INSTALL_LIBEXEC ${CMAKE_INSTALL_LIBEXECDIR}/${VLO_INSTALL_NAME})
set(VLO_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/${VLO_INSTALL_NAME})

install(TARGETS velvet-lockout RUNTIME DESTINATION ${VLO_INSTALL_LIBEXEC})

# The data as the build has it: the copied sources plus what the asset tools
# generated there (the music patterns, Ogg Vorbis). Only the kinds of file the
# game reads: a build folder kept from older builds may hold others.
install(DIRECTORY ${PROJECT_BINARY_DIR}/gfx/ DESTINATION ${VLO_INSTALL_DATA}/gfx
    FILES_MATCHING PATTERN "*.bmp")
install(DIRECTORY ${PROJECT_BINARY_DIR}/music/ DESTINATION ${VLO_INSTALL_DATA}/music
    FILES_MATCHING PATTERN "*.ogg" PATTERN "*.json")

# The launcher finds the program and the data relative to its own location,
# so the installed tree can be moved or reached through a symbolic link.
file(RELATIVE_PATH VLO_BIN_TO_PREFIX
     /prefix/${CMAKE_INSTALL_BINDIR} /prefix)
if(VLO_BIN_TO_PREFIX STREQUAL "")
    set(VLO_BIN_TO_PREFIX .)
endif()
configure_file(${PROJECT_SOURCE_DIR}/dist/velvet-lockout.sh.in
               ${PROJECT_BINARY_DIR}/dist/velvet-lockout @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/dist/velvet-lockout DESTINATION ${CMAKE_INSTALL_BINDIR})

# The icon, drawn by tools/icongen from the font sheet (target vlo_icons):
# scalable, and at the sizes that software centres and menus ask for.
install(FILES ${PROJECT_BINARY_DIR}/icons/velvet-lockout.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${VLO_ICON_SIZES})
    install(FILES ${PROJECT_BINARY_DIR}/icons/velvet-lockout-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VLO_INSTALL_NAME}.png)
endforeach()

# What software centres list (AppStream), under the id that the desktop
# entry, the icon and the binary are reached by. Its release date is the
# build's, as in the changelog (SOURCE_DATE_EPOCH fixes it).
set(VLO_APPSTREAM_ID io.github.velvetlockout.velvetlockout)
string(TIMESTAMP VLO_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${PROJECT_SOURCE_DIR}/dist/${VLO_APPSTREAM_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/dist/${VLO_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/dist/${VLO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop entry names the launcher by its absolute path, which is known
# only at install time (--prefix may differ from the configured prefix).
set(VLO_DESKTOP_IN ${PROJECT_SOURCE_DIR}/dist/velvet-lockout.desktop.in)
install(CODE "
    set(VLO_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${VLO_INSTALL_NAME}\")
    if(VLO_LAUNCHER MATCHES \"[ \\t]\")
        set(VLO_LAUNCHER \"\\\"\${VLO_LAUNCHER}\\\"\")
    endif()
    set(VLO_DESKTOP_DIR \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    configure_file(\"${VLO_DESKTOP_IN}\" \"\${VLO_DESKTOP_DIR}/${VLO_INSTALL_NAME}.desktop\" @ONLY)
    message(STATUS \"Installing: \${VLO_DESKTOP_DIR}/${VLO_INSTALL_NAME}.desktop\")
")

# A real install into a scratch prefix, started from elsewhere under Xvfb.
if(VLO_TESTS)
    add_test(NAME install.LauncherRunsFromUserFolder
             COMMAND ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh ${PROJECT_BINARY_DIR}
                     ${PROJECT_VERSION})
    set_tests_properties(install.LauncherRunsFromUserFolder PROPERTIES
        TIMEOUT 120 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endif()
