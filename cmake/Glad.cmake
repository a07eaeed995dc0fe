# Generates the OpenGL 3.3 core loader with Debian's glad generator at configure time.
# The generated sources live in the build tree only.
#
# glad_add_loader(<target> <out-dir> [DEBUG]) creates a static library <target>;
# Both carry the KHR_debug extension (names for frame debuggers, error messages);
# DEBUG builds the variant with a hook after every GL call, for tests that record calls.
find_program(GLAD_EXECUTABLE glad)
if(NOT GLAD_EXECUTABLE)
    message(FATAL_ERROR "The glad generator was not found: install python3-glad (scripts/deps.sh does).")
endif()

function(glad_add_loader target outDir)
    set(options DEBUG)
    cmake_parse_arguments(GLAD "${options}" "" "" ${ARGN})
    set(flavour "")
    set(extensions "GL_KHR_debug")
    if(GLAD_DEBUG)
        set(flavour "--debug")
    endif()
    set(stamp "${outDir}/.glad-args")
    set(args "gl:core=3.3;${flavour};${extensions}")
    set(previous "")
    if(EXISTS "${stamp}")
        file(READ "${stamp}" previous)
    endif()
    if(NOT EXISTS "${outDir}/src/gl.c" OR NOT previous STREQUAL args)
        execute_process(
            COMMAND "${GLAD_EXECUTABLE}" --quiet --reproducible --api gl:core=3.3 --extensions "${extensions}"
                    --out-path "${outDir}" c ${flavour}
            RESULT_VARIABLE result
            OUTPUT_QUIET ERROR_VARIABLE errors)
        if(NOT result EQUAL 0 OR NOT EXISTS "${outDir}/src/gl.c")
            message(FATAL_ERROR "glad failed to generate the GL loader:\n${errors}")
        endif()
        file(WRITE "${stamp}" "${args}")
    endif()
    add_library(${target} STATIC "${outDir}/src/gl.c")
    target_include_directories(${target} SYSTEM PUBLIC "${outDir}/include")
    target_link_libraries(${target} PUBLIC ${CMAKE_DL_LIBS})
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
