# A Debian package of the installed layout (see VloInstall.cmake), prefix /usr,
# with the launcher in /usr/games (see VloDebianGames.cmake):
#   cpack -G DEB  (in a configured build folder), or scripts/package.
# Its run-time dependencies come from the binary itself (dpkg-shlibdeps), so
# they follow whatever SDL2 and SDL2_mixer the build linked.
set(VLO_PACKAGE_MAINTAINER "The Velvet Lockout developers <velvet-lockout@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# Debian wants a copyright file and a changelog in the package's doc folder
# and a manual page for the command, the last two compressed with the maximum
# level and no timestamp.
set(VLO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VLO_INSTALL_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright DESTINATION ${VLO_DOC_DIR})
find_program(VLO_GZIP gzip)
if(VLO_GZIP)
    # SOURCE_DATE_EPOCH, when set, fixes the date (reproducible packages).
    string(TIMESTAMP VLO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    configure_file(${PROJECT_SOURCE_DIR}/dist/changelog.in ${PROJECT_BINARY_DIR}/dist/changelog @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/dist/velvet-lockout.6.in
                   ${PROJECT_BINARY_DIR}/dist/velvet-lockout.6 @ONLY)
    execute_process(COMMAND ${VLO_GZIP} -9nf ${PROJECT_BINARY_DIR}/dist/changelog
                                             ${PROJECT_BINARY_DIR}/dist/velvet-lockout.6)
    install(FILES ${PROJECT_BINARY_DIR}/dist/changelog.gz DESTINATION ${VLO_DOC_DIR})
    install(FILES ${PROJECT_BINARY_DIR}/dist/velvet-lockout.6.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VLO_INSTALL_NAME})
set(CPACK_PACKAGE_VENDOR "The Velvet Lockout developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn-based escape from a ten-floor prison")
# CPack keeps the line breaks; Debian wants lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Velvet Lockout (V.L.O.) is a single-player roguelike in a 640 x 400\n"
    "window. You are a prisoner in a complex of ten floors, each generated\n"
    "afresh: rooms and tunnels seen through a ray-cast field of view, guards\n"
    "to knock out and items to use on the way to the exit on the last floor.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VLO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/VloDebianGames.cmake)
set(CPACK_VLO_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)

# The package built into a scratch folder, its contents and dependencies
# checked, and its launcher started unpacked under Xvfb.
if(VLO_TESTS AND TARGET e2e_tests)
    add_test(NAME package.DebianPackageRunsUnpacked
             COMMAND ${PROJECT_SOURCE_DIR}/tests/package/package_test.sh
                     ${PROJECT_BINARY_DIR} ${PROJECT_VERSION} $<TARGET_FILE:e2e_tests>)
    set_tests_properties(package.DebianPackageRunsUnpacked PROPERTIES
        TIMEOUT 300 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endif()
