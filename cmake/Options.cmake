# Every setting a user of this build may choose, in one place (cmake -D<NAME>=<value>).
# The parts beyond the engine are on by default only when Quorvel is the top-level project, and
# each is optional: with all of them OFF the engine configures and builds with pugixml alone.

# A project that adds Quorvel with add_subdirectory keeps its own build type.
if(PROJECT_IS_TOP_LEVEL AND NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type: Release unless another is given" FORCE)
endif()

# What is built.
option(QUORVEL_BUILD_CLI "Build the quorvel command-line tool (needs CLI11, nlohmann-json)" ${PROJECT_IS_TOP_LEVEL})
option(QUORVEL_BUILD_SERVICE "Build the HTTP tax service into the command line (needs Boost, OpenSSL)" ${QUORVEL_BUILD_CLI})
option(QUORVEL_BUILD_TESTS "Build the test suite (needs GoogleTest)" ${PROJECT_IS_TOP_LEVEL})
option(QUORVEL_BUILD_BENCHMARKS "Build the benchmarks, with `make bench` (needs Google Benchmark)" ${PROJECT_IS_TOP_LEVEL})
option(QUORVEL_BUILD_FUZZERS "Build the fuzz targets, as programs that replay their seeds" ${PROJECT_IS_TOP_LEVEL})
option(QUORVEL_BUILD_PYTHON "Build the Python extension module (needs pybind11)" OFF)
option(QUORVEL_INSTALL "Generate the install rules (cmake --install, make install)" ${PROJECT_IS_TOP_LEVEL})

# How it is built.
set(QUORVEL_PUGIXML_SOURCE_DIR "" CACHE PATH "Compile pugixml in from this source tree instead of linking the system library")
option(QUORVEL_WARNINGS_AS_ERRORS "Fail the build on a compiler warning in the project's own code" OFF)
set(QUORVEL_SANITIZERS "" CACHE STRING "Sanitizers to build everything with, as -fsanitize= takes them, e.g. address,undefined")
option(QUORVEL_LIBFUZZER "Build the fuzz targets with libFuzzer instead of the replay program (clang only)" OFF)
set(QUORVEL_WASM_EXCEPTIONS "wasm" CACHE STRING "C++ exceptions in the WebAssembly build: wasm (faster) or js (older engines)")
set_property(CACHE QUORVEL_WASM_EXCEPTIONS PROPERTY STRINGS wasm js)

# Where things are.
set(QUORVEL_SAMPLE_CASES "${PROJECT_SOURCE_DIR}/../shared" CACHE PATH "Folder with the shared sample cases (cases/, tools/check-cases), run by ctest when present")
set(QUORVEL_PYTHON_PACKAGE_DIR "${PROJECT_BINARY_DIR}/python/quorvel" CACHE PATH "Folder the Python package is assembled in")
