# Helpers that add the project's tests, fuzz targets and benchmarks.

set(TESK_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen"
    "QT_FATAL_WARNINGS=0"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# tesk_add_test(name SOURCES a.cpp ... LIBS lib ... [TIMEOUT seconds])
# One QtTest executable, run by ctest headless.
function(tesk_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    tesk_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${TESK_TEST_ENVIRONMENT}"
        TIMEOUT ${T_TIMEOUT})
endfunction()

# tesk_add_fuzzer(name SOURCES a.cpp ... LIBS lib ... [SECONDS n])
# A libFuzzer target; ctest runs it for a few seconds from its seed corpus in
# fuzz/seeds/<name> (when there is one).
function(tesk_add_fuzzer name)
    cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_SECONDS)
        set(F_SECONDS 8)
    endif()
    add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/AsanDefaults.cpp)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    tesk_warnings(${name})
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus-${name})
    file(MAKE_DIRECTORY ${corpus})
    set(seeds ${PROJECT_SOURCE_DIR}/fuzz/seeds/${name})
    # An input that makes memory grow is reported as a fault: no single
    # allocation of 256 MB, no more than 2 GB in all (AddressSanitizer's own included).
    set(arguments -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -malloc_limit_mb=256
        -timeout=10 -print_final_stats=1 ${corpus})
    if(EXISTS ${seeds})
        list(APPEND arguments ${seeds})
    endif()
    add_test(NAME ${name} COMMAND ${name} ${arguments})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${TESK_TEST_ENVIRONMENT}"
        TIMEOUT 300
        LABELS fuzz)
endfunction()

# tesk_add_benchmark(name SOURCES a.cpp ... LIBS lib ...)
# Benchmarks are built with the project and run by hand (see README).
function(tesk_add_benchmark name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark ${B_LIBS})
    tesk_warnings(${name})
endfunction()
