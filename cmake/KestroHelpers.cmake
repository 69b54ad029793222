# kestro_add_unit_test(NAME name SOURCES ... LIBS ... [LABELS ...] [ENV ...])
# One executable per unit, registered with CTest.
function(kestro_add_unit_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${T_NAME} PRIVATE
        KESTRO_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        KESTRO_BINARY_DIR="${PROJECT_BINARY_DIR}")
    kestro_add_skipped_test(${T_NAME} ${T_NAME})
    if(_kestro_skip_reason)
        return()
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
    if(T_LABELS)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()

# kestro_add_fuzz_target(NAME name SOURCES ... LIBS ... CORPUS dir)
# With KESTRO_ENABLE_FUZZER (clang) the target links libFuzzer; otherwise a small
# driver replays every file of the corpus, and CTest runs it in every build.
function(kestro_add_fuzz_target)
    cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${F_NAME} ${F_SOURCES})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    if(KESTRO_ENABLE_FUZZER)
        target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
        target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    else()
        target_sources(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/standalone_fuzz_main.cpp)
    endif()
    kestro_add_skipped_test(${F_NAME} ${F_NAME}_corpus)
    if(_kestro_skip_reason)
        return()
    endif()
    if(KESTRO_ENABLE_FUZZER)
        add_test(NAME ${F_NAME}_corpus COMMAND ${F_NAME} -runs=0 ${F_CORPUS})
    else()
        add_test(NAME ${F_NAME}_corpus COMMAND ${F_NAME} ${F_CORPUS})
    endif()
    set_tests_properties(${F_NAME}_corpus PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()

# On Windows, an executable that cannot run there is left out of the build and
# registered as a skipped test that prints why (cmake/WindowsBuild.cmake).
# Leaves the reason in _kestro_skip_reason (empty: not skipped).
macro(kestro_add_skipped_test target test)
    set(_kestro_skip_reason "")
    if(WIN32)
        kestro_windows_skip_reason(${target} _kestro_skip_reason)
    endif()
    if(_kestro_skip_reason)
        set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
        add_test(NAME ${test}
            COMMAND ${CMAKE_COMMAND} -E echo "Skipped on Windows: ${_kestro_skip_reason}")
        set_tests_properties(${test} PROPERTIES SKIP_REGULAR_EXPRESSION "Skipped on Windows")
    endif()
endmacro()
