# musicgen: the game's music, rendered at build time from the scores in
# tools/scores/ into ${PROJECT_BINARY_DIR}/music/, beside the definition file
# that vlo_data copies there from music/.
add_executable(musicgen ${CMAKE_CURRENT_LIST_DIR}/musicgen.cpp)
vlo_apply_options(musicgen OFF)

set(VLO_MUSIC_SCORES calm alert calm_to_alert alert_to_calm)
set(VLO_MUSIC_FILES)
foreach(score ${VLO_MUSIC_SCORES})
    set(wav ${PROJECT_BINARY_DIR}/music/${score}.wav)
    add_custom_command(OUTPUT ${wav}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/music
        COMMAND musicgen ${CMAKE_CURRENT_LIST_DIR}/scores/${score}.txt ${wav}
        DEPENDS musicgen ${CMAKE_CURRENT_LIST_DIR}/scores/${score}.txt
        COMMENT "Rendering music/${score}.wav"
        VERBATIM)
    list(APPEND VLO_MUSIC_FILES ${wav})
endforeach()
add_custom_target(vlo_music ALL DEPENDS ${VLO_MUSIC_FILES})

# Whatever copies the game data (the game, the test suites) needs the music
# rendered as well.
if(TARGET vlo_data)
    add_dependencies(vlo_data vlo_music)
endif()
