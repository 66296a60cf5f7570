# Run by CPack on the staged Debian package (CPACK_PRE_BUILD_SCRIPTS). The
# stripped program loses the compiler's .comment and .note notes too, as
# Debian's own packages do (lintian: binary-has-unneeded-section). Debian
# Policy keeps the commands of games in /usr/games, so the launcher moves
# there from usr/bin/ and the desktop entry follows it. The launcher finds
# the program and the data relative to itself, one level below the prefix,
# which holds in either folder.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(launcher velvet-lockout)
if(NOT EXISTS "${stage}/bin/${launcher}")
    message(FATAL_ERROR "no launcher staged at ${stage}/bin/${launcher}")
endif()
set(program "${stage}/libexec/${launcher}/${launcher}")
execute_process(COMMAND "${CPACK_VLO_OBJCOPY}" --remove-section=.comment --remove-section=.note
                        "${program}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objcopy could not trim ${program}")
endif()

file(MAKE_DIRECTORY "${stage}/games")
file(RENAME "${stage}/bin/${launcher}" "${stage}/games/${launcher}")
file(GLOB left "${stage}/bin/*")
if(NOT left)
    file(REMOVE_RECURSE "${stage}/bin")
endif()

set(desktop "${stage}/share/applications/${launcher}.desktop")
file(READ "${desktop}" entry)
string(REPLACE "Exec=${CPACK_PACKAGING_INSTALL_PREFIX}/bin/${launcher}\n"
               "Exec=${CPACK_PACKAGING_INSTALL_PREFIX}/games/${launcher}\n" moved "${entry}")
if(moved STREQUAL entry)
    message(FATAL_ERROR "the desktop entry does not start ${CPACK_PACKAGING_INSTALL_PREFIX}/bin/${launcher}")
endif()
file(WRITE "${desktop}" "${moved}")
