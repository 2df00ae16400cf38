# Instrumented builds, for the sanitizer test run and the fuzzers.
#
# QUORVEL_SANITIZERS lists sanitizers (as -fsanitize= takes them, e.g. "address,undefined") that
# everything configured after this file is built with. Every report stops the program, so a test
# or fuzz run fails on the first one instead of printing it and going on.
set(QUORVEL_SANITIZERS "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")
if(QUORVEL_SANITIZERS)
  add_compile_options(-fsanitize=${QUORVEL_SANITIZERS} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QUORVEL_SANITIZERS})
endif()

# QUORVEL_LIBFUZZER builds the fuzz targets against clang's libFuzzer: every source gets the
# coverage instrumentation libFuzzer steers by, and the targets get libFuzzer's main.
option(QUORVEL_LIBFUZZER "Build the fuzz targets with libFuzzer (clang only)" OFF)
if(QUORVEL_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUORVEL_LIBFUZZER needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
