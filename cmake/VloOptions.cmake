# One place for the compiler options of every target of ours.

set(VLO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough -Wmissing-declarations)
set(VLO_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# The distribution's hardening, as dpkg-buildflags gives it to Debian's own
# packages (fortified string and memory calls, stack protector, read-only
# relocations), plus immediate binding, for the Release build that scripts/play
# and the package use. The build type keeps its own optimisation (-O3, which
# _FORTIFY_SOURCE needs) and no -g: the package strips its binary. Taken from
# GCC builds only, for which the flags are made; the sanitized tests do
# without, as ASan checks more than the fortified calls do.
set(VLO_HARDEN_COMPILE)
set(VLO_HARDEN_LINK)
find_program(VLO_DPKG_BUILDFLAGS dpkg-buildflags)
if(VLO_DPKG_BUILDFLAGS AND CMAKE_BUILD_TYPE STREQUAL "Release" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT EMSCRIPTEN)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        # Run from the source folder, so that its -ffile-prefix-map names it.
        execute_process(COMMAND ${VLO_DPKG_BUILDFLAGS} --get ${kind}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
        endif()
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
        if(kind STREQUAL "LDFLAGS")
            list(APPEND VLO_HARDEN_LINK ${flags})
        else()
            list(APPEND VLO_HARDEN_COMPILE ${flags})
        endif()
    endforeach()
    list(APPEND VLO_HARDEN_LINK -Wl,-z,now)
    message(STATUS "Hardening (dpkg-buildflags): ${VLO_HARDEN_COMPILE} ${VLO_HARDEN_LINK}")
endif()

# vlo_apply_options(target sanitize): warnings always; with sanitize ON the
# target is built and linked with ASan + UBSan at a debuggable optimisation,
# otherwise with the hardening above.
function(vlo_apply_options target sanitize)
    # The hardening's -Wformat first, so that our -Wformat=2 is the one in force.
    if(NOT sanitize)
        target_compile_options(${target} PRIVATE ${VLO_HARDEN_COMPILE})
        target_link_options(${target} PRIVATE ${VLO_HARDEN_LINK})
    endif()
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
