# cmake -DLIBRARY=<libquorvel.a or .so> [-DVERSION=<its version>] -P check_symbols.cmake
#
# A static library defines no pugixml symbols of its own (its pugixml is renamed, so it cannot
# meet a program's own pugixml); a shared library exports the public API, in namespace quorvel,
# with the type information of its classes, and nothing else, and its SONAME names the major
# version only.
cmake_minimum_required(VERSION 3.21)
find_program(NM nm REQUIRED)

if(LIBRARY MATCHES "\\.a$")
  execute_process(COMMAND "${NM}" -C --defined-only "${LIBRARY}"
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # Global symbols only (an upper-case type letter): a local one, such as a constant of pugixml's
  # header that an unoptimised build keeps, cannot meet another library's.
  string(REGEX MATCHALL "[^\n]* [A-Z] pugi::[^\n]*" clashing "${symbols}")
  if(clashing)
    list(LENGTH clashing count)
    list(GET clashing 0 first)
    message(FATAL_ERROR "${LIBRARY} defines ${count} pugi:: symbols, e.g. ${first}")
  endif()
  message(STATUS "${LIBRARY}: no pugi:: symbols")
  return()
endif()

execute_process(COMMAND "${NM}" -D -C --defined-only --format=just-symbols "${LIBRARY}"
                OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" symbols "${symbols}")
set(public 0)
set(foreign "")
foreach(symbol IN LISTS symbols)
  if(symbol MATCHES "^((typeinfo|typeinfo name|vtable) for )?quorvel::")
    math(EXPR public "${public} + 1")
  elseif(NOT symbol STREQUAL "")
    list(APPEND foreign "${symbol}")
  endif()
endforeach()
if(foreign)
  list(JOIN foreign "\n  " shown)
  message(FATAL_ERROR "${LIBRARY} exports symbols outside the public API:\n  ${shown}")
endif()
# A program catches quorvel::Error by the type the library throws.
if(NOT "typeinfo for quorvel::Error" IN_LIST symbols)
  message(FATAL_ERROR "${LIBRARY} does not export the type information of quorvel::Error")
endif()

string(REGEX REPLACE "\\..*" "" major "${VERSION}")
set(SONAME "libquorvel.so.${major}")
find_program(READELF readelf REQUIRED)
execute_process(COMMAND "${READELF}" -d "${LIBRARY}" OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
if(NOT dynamic MATCHES "Library soname: \\[${SONAME}\\]")
  message(FATAL_ERROR "${LIBRARY} has not the SONAME ${SONAME}")
endif()
message(STATUS "${LIBRARY}: ${public} symbols, all in namespace quorvel; SONAME ${SONAME}")
