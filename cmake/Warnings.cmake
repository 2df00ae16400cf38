# quorvel_warnings: the compiler warnings for every target of this project (never for third-party
# code, whose headers come in as system headers). Linked privately; the installed engine does not
# pass it on.
#
# QUORVEL_WARNINGS_AS_ERRORS makes them errors. `make build` turns it on for the native release
# build; the sanitizer and WebAssembly builds leave it off, because GCC 12 with sanitizers and
# Emscripten report some code falsely.
add_library(quorvel_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(quorvel_warnings INTERFACE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports string concatenation falsely (its bug 105651).
    target_compile_options(quorvel_warnings INTERFACE -Wno-restrict)
  endif()
  if(QUORVEL_WARNINGS_AS_ERRORS)
    target_compile_options(quorvel_warnings INTERFACE -Werror)
  endif()
endif()
