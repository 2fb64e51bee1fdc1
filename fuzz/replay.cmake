# Replays the saved fuzz corpus as ordinary tests, without clang or libFuzzer:
# each target's source is linked with a plain driver that feeds it every file
# of fuzz/corpus/<target>. Included from tests/CMakeLists.txt.
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)

foreach(target ${QUORVIK_FUZZ_TARGETS})
    set(corpus ${CMAKE_CURRENT_LIST_DIR}/corpus/${target})
    if(NOT IS_DIRECTORY ${corpus})
        continue()
    endif()
    set(name fuzz_replay_${target})
    add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    target_compile_definitions(${name} PRIVATE QUORVIK_FIXTURES="${QUORVIK_FIXTURES}")
    target_link_libraries(${name} PRIVATE quorvik_engine)
    add_test(NAME ${name} COMMAND ${name} ${corpus})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QUORVIK_FIXTURES=${QUORVIK_FIXTURES}"
        TIMEOUT 300)
endforeach()
