# One place for the compiler options of every target of ours.

set(VLO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough -Wmissing-declarations)
set(VLO_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# vlo_apply_options(target sanitize): warnings always; with sanitize ON the
# target is built and linked with ASan + UBSan at a debuggable optimisation.
function(vlo_apply_options target sanitize)
    target_compile_options(${target} PRIVATE ${VLO_WARNINGS})
    if(VLO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(sanitize)
        target_compile_options(${target} PRIVATE ${VLO_SANITIZE_FLAGS} -O1 -g)
        target_link_options(${target} PRIVATE ${VLO_SANITIZE_FLAGS})
    endif()
endfunction()

# vlo_world_library(name sanitize): the world classes, without SDL.
function(vlo_world_library name sanitize)
    add_library(${name} STATIC ${VLO_WORLD_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src/world)
    vlo_apply_options(${name} ${sanitize})
    if(sanitize)
        target_link_options(${name} INTERFACE ${VLO_SANITIZE_FLAGS})
    endif()
endfunction()

# vlo_platform_library(name sanitize): this build's side of the platform seam.
function(vlo_platform_library name sanitize)
    add_library(${name} STATIC ${VLO_PLATFORM_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src/platform)
    target_link_libraries(${name} PUBLIC SDL2::SDL2)
    vlo_apply_options(${name} ${sanitize})
    if(sanitize)
        target_link_options(${name} INTERFACE ${VLO_SANITIZE_FLAGS})
    endif()
endfunction()

# vlo_core_library(name world platform sanitize): the game minus its entry
# point, on top of the world library `world` and the platform `platform`.
function(vlo_core_library name world platform sanitize)
    add_library(${name} STATIC ${VLO_GAME_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src/game)
    target_link_libraries(${name} PUBLIC ${world} ${platform} korJSON SDL2::SDL2
                                         SDL2_mixer::SDL2_mixer)
    vlo_apply_options(${name} ${sanitize})
    if(sanitize)
        target_link_options(${name} INTERFACE ${VLO_SANITIZE_FLAGS})
    endif()
endfunction()
