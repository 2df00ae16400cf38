# Instrumented builds, for the sanitizer test run and the fuzzers.
#
# With QUORVEL_SANITIZERS, everything configured after this file is built with those sanitizers.
# Every report stops the program, so a test or fuzz run fails on the first one instead of
# printing it and going on.
if(QUORVEL_SANITIZERS)
  add_compile_options(-fsanitize=${QUORVEL_SANITIZERS} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QUORVEL_SANITIZERS})
endif()

# With QUORVEL_LIBFUZZER, every source gets the coverage instrumentation libFuzzer steers by, and
# the fuzz targets get libFuzzer's main.
if(QUORVEL_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUORVEL_LIBFUZZER needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
