# vantorix_data(<target> <subfolder> FILES <file>...)
# Installs files into <datadir>/vantorix/<subfolder> and copies them, at every
# build where they changed, into the build folder's mirror of that layout, so
# that the program run from the build tree finds them just as an installed one.
function(vantorix_data target subfolder)
    cmake_parse_arguments(DATA "" "" "FILES" ${ARGN})
    install(FILES ${DATA_FILES} DESTINATION ${VANTORIX_DATADIR}/${subfolder})
    set(mirrored "")
    foreach(file IN LISTS DATA_FILES)
        cmake_path(GET file FILENAME name)
        set(copy "${VANTORIX_BUILD_DATADIR}/${subfolder}/${name}")
        add_custom_command(OUTPUT "${copy}"
            COMMAND ${CMAKE_COMMAND} -E copy "${file}" "${copy}"
            DEPENDS "${file}" VERBATIM)
        list(APPEND mirrored "${copy}")
    endforeach()
    add_custom_target(${target} ALL DEPENDS ${mirrored})
endfunction()
