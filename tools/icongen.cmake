# icongen: the game's icon, drawn at build time from its own font sheet
# (gfx/font.bmp) into ${PROJECT_BINARY_DIR}/icons/: velvet-lockout.svg and
# velvet-lockout-<N>.png for N = 48, 64, 128, 192, 256, 512. The target
# vlo_icons makes them; the install puts them under share/icons/hicolor.
add_executable(icongen ${CMAKE_CURRENT_LIST_DIR}/icongen.cpp)
vlo_apply_options(icongen OFF)

set(VLO_ICON_SIZES 48 64 128 192 256 512)
set(VLO_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(VLO_ICON_FILES ${VLO_ICON_DIR}/velvet-lockout.svg)
foreach(size ${VLO_ICON_SIZES})
    list(APPEND VLO_ICON_FILES ${VLO_ICON_DIR}/velvet-lockout-${size}.png)
endforeach()
add_custom_command(OUTPUT ${VLO_ICON_FILES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VLO_ICON_DIR}
    COMMAND icongen ${PROJECT_SOURCE_DIR}/gfx/font.bmp ${VLO_ICON_DIR}
    DEPENDS icongen ${PROJECT_SOURCE_DIR}/gfx/font.bmp
    COMMENT "Drawing the icons from gfx/font.bmp"
    VERBATIM)
add_custom_target(vlo_icons ALL DEPENDS ${VLO_ICON_FILES})
# The install (VloInstall.cmake) puts each size in its hicolor folder.
set(VLO_ICON_SIZES ${VLO_ICON_SIZES} PARENT_SCOPE)
# Built with the game, as the music is, so that an install after building
# only the game (scripts/play, the release preset) finds them.
add_dependencies(velvet-lockout vlo_icons)
