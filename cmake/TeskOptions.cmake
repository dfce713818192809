# Build options shared by every target of the project.

option(TESK_WERROR "Treat compiler warnings as errors" OFF)
option(TESK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(TESK_BENCH "Build the benchmarks (needs Google Benchmark)" ON)

set(TESK_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion
    -Wformat=2 -Wimplicit-fallthrough)
if(TESK_WERROR)
    list(APPEND TESK_WARNING_FLAGS -Werror)
endif()

# Warnings apply to the project's own code only; Qt's generated files are
# compiled as part of each target too, so the flags go on the target.
function(tesk_warnings target)
    target_compile_options(${target} PRIVATE ${TESK_WARNING_FLAGS})
endfunction()

if(TESK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(TESK_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TESK_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
    endif()
    # Coverage instrumentation for every library the fuzz targets link.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
