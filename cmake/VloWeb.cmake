# The browser build (emscripten, included by the top CMakeLists.txt instead of
# the desktop targets): the same game as a static page in the build folder,
# index.html beside velvet-lockout.js, .wasm and .data; scripts/web then
# gathers the servable page alone into site/. The data file holds what the
# first frame needs of what the desktop game finds beside its binary (the font
# sheet and the music definitions), preloaded into the page's memory file
# system at the same relative paths. The Ogg music, most of the page's weight,
# is served beside it in music/ and downloaded after the first frame.
# scripts/web makes all of it.

# The music generator is a host program, so a host build renders the music
# (scripts/web runs one in build-web/host) and this build packs it.
set(VLO_HOST_MUSIC_DIR "" CACHE PATH "Folder of the music rendered by a host build")
file(GLOB VLO_MUSIC_SCORE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/scores/*.txt)
set(VLO_WEB_MUSIC)
foreach(path ${VLO_MUSIC_SCORE_FILES})
    get_filename_component(score ${path} NAME_WE)
    list(APPEND VLO_WEB_MUSIC ${VLO_HOST_MUSIC_DIR}/${score}.ogg)
endforeach()
if(NOT EXISTS "${VLO_HOST_MUSIC_DIR}/calm.ogg")
    message(FATAL_ERROR "VLO_HOST_MUSIC_DIR must name a host build's music folder (scripts/web sets it)")
endif()

set(stage ${CMAKE_CURRENT_BINARY_DIR}/web-data)
set(served_music ${CMAKE_CURRENT_BINARY_DIR}/music)
add_custom_command(OUTPUT ${stage}.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${served_music}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/gfx ${stage}/music ${served_music}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/gfx/font.bmp ${stage}/gfx/
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/music/music_def.json ${stage}/music/
    COMMAND ${CMAKE_COMMAND} -E copy ${VLO_WEB_MUSIC} ${served_music}/
    COMMAND ${CMAKE_COMMAND} -E touch ${stage}.stamp
    DEPENDS ${PROJECT_SOURCE_DIR}/gfx/font.bmp ${PROJECT_SOURCE_DIR}/music/music_def.json ${VLO_WEB_MUSIC}
    COMMENT "Staging the page's data")
add_custom_target(vlo_web_data DEPENDS ${stage}.stamp)

set(web ${PROJECT_SOURCE_DIR}/web)
add_executable(velvet-lockout src/main.cpp)
target_link_libraries(velvet-lockout PRIVATE vlo_core)
vlo_apply_options(velvet-lockout OFF)
add_dependencies(velvet-lockout vlo_web_data)
set_target_properties(velvet-lockout PROPERTIES SUFFIX ".js")
# Asyncify lets the game's blocking loops sleep by handing the tab back to the
# browser; its stack has to hold the deepest wait (a dialog inside a command
# inside the main loop inside the main menu).
target_link_options(velvet-lockout PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
    # SDL's audio calls two of emscripten's JavaScript helpers from inline
    # JavaScript, where the linker cannot see them; the file names them (a
    # file, because CMake's link scripts would mangle their dollar signs).
    -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${web}/sdl-helpers.json
    -lidbfs.js --pre-js ${web}/pre.js
    # The page's on-screen buttons call into the game (src/game/onscreen.h);
    # nothing else in the game calls it, so the linker is told to keep it.
    -sEXPORTED_FUNCTIONS=_main,_VloPressButton -Wl,--undefined=VloPressButton
    --preload-file ${stage}@/)
set_property(TARGET velvet-lockout APPEND PROPERTY LINK_DEPENDS ${web}/pre.js ${web}/sdl-helpers.json
    ${stage}.stamp)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/index.html
    COMMAND ${CMAKE_COMMAND} -E copy ${web}/index.html ${CMAKE_CURRENT_BINARY_DIR}/index.html
    DEPENDS ${web}/index.html)
add_custom_target(vlo_web_page ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/index.html)

# The browser test: headless Chromium through puppeteer-core, which
# scripts/test-web installs into this folder.
enable_testing()
add_test(NAME web.BrowserPlaysAndKeepsTheSave
    COMMAND node ${PROJECT_SOURCE_DIR}/tests/web/browser_test.mjs)
set_tests_properties(web.BrowserPlaysAndKeepsTheSave PROPERTIES TIMEOUT 300 ENVIRONMENT
    "VLO_WEB_DIR=${CMAKE_CURRENT_BINARY_DIR}/site;VLO_FONT=${PROJECT_SOURCE_DIR}/gfx/font.bmp;VLO_NODE_MODULES=${CMAKE_CURRENT_BINARY_DIR}/node_modules;VLO_SHOT_DIR=${CMAKE_CURRENT_BINARY_DIR}/screenshots")
