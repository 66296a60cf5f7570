# fontgen: makes gfx/font.bmp from console-data's cp865-8x8 console font.
# Not run by the build: the sheet is committed. To make it again:
#   cmake --build <build> --target fontgen
#   <build>/tools/fontgen /usr/share/consolefonts/cp865-8x8.psf.gz gfx/font.bmp
add_executable(fontgen EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/fontgen.cpp)
vlo_apply_options(fontgen OFF)
