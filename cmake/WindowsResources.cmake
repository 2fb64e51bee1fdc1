# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs' resources: the icon made from the app icon at build
# time, the version (the project's, set once in the top CMakeLists.txt), a
# description and the application manifest.

find_program(QUORVIK_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(QUORVIK_ICOTOOL icotool REQUIRED)
set(QUORVIK_ICO ${CMAKE_BINARY_DIR}/quorvik.ico)
add_custom_command(OUTPUT ${QUORVIK_ICO}
    COMMAND sh ${PROJECT_SOURCE_DIR}/tools/windows/make-icon
        ${PROJECT_SOURCE_DIR}/resources/icons/quorvik.svg ${QUORVIK_ICO}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/icons/quorvik.svg
        ${PROJECT_SOURCE_DIR}/tools/windows/make-icon
    COMMENT "Making quorvik.ico")

# quorvik_windows_resources(TARGET DESCRIPTION)
function(quorvik_windows_resources target description)
    get_target_property(QUORVIK_RC_NAME ${target} OUTPUT_NAME)
    if(NOT QUORVIK_RC_NAME)
        set(QUORVIK_RC_NAME ${target})
    endif()
    get_target_property(suffix ${target} SUFFIX)
    if(NOT suffix)
        set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
    endif()
    set(QUORVIK_RC_FILE ${QUORVIK_RC_NAME}${suffix})
    set(QUORVIK_RC_DESCRIPTION ${description})
    set(base ${CMAKE_CURRENT_BINARY_DIR}/${target})
    set(QUORVIK_RC_MANIFEST ${base}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/resources/windows/quorvik.manifest.in
        ${QUORVIK_RC_MANIFEST} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/resources/windows/quorvik.rc.in ${base}.rc @ONLY)
    target_sources(${target} PRIVATE ${base}.rc ${QUORVIK_ICO})
    set_source_files_properties(${base}.rc PROPERTIES
        OBJECT_DEPENDS "${QUORVIK_ICO};${QUORVIK_RC_MANIFEST}")
endfunction()
