# musicgen: the game's music, rendered at build time from the scores in
# tools/scores/ into ${PROJECT_BINARY_DIR}/music/ as Ogg Vorbis (libvorbisenc,
# a build-time dependency only: SDL2_mixer decodes Ogg at run time), beside the
# definition file that vlo_data copies there from music/.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
add_executable(musicgen ${CMAKE_CURRENT_LIST_DIR}/musicgen.cpp)
target_link_libraries(musicgen PRIVATE PkgConfig::VORBISENC)
vlo_apply_options(musicgen OFF)

# Every score of tools/scores/ is a pattern of music/music_def.json.
file(GLOB VLO_MUSIC_SCORE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/scores/*.txt)
set(VLO_MUSIC_FILES)
foreach(path ${VLO_MUSIC_SCORE_FILES})
    get_filename_component(score ${path} NAME_WE)
    set(ogg ${PROJECT_BINARY_DIR}/music/${score}.ogg)
    add_custom_command(OUTPUT ${ogg}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/music
        COMMAND musicgen ${path} ${ogg}
        DEPENDS musicgen ${path}
        COMMENT "Rendering music/${score}.ogg"
        VERBATIM)
    list(APPEND VLO_MUSIC_FILES ${ogg})
endforeach()
add_custom_target(vlo_music ALL DEPENDS ${VLO_MUSIC_FILES})

# Whatever copies the game data (the game, the test suites) needs the music
# rendered as well.
if(TARGET vlo_data)
    add_dependencies(vlo_data vlo_music)
endif()
