# The island identifiers as the public header lists them (quorvel::kIslandIds), for the parts of
# the build that name the islands: the build keeps no copy of the list.
set(QUORVEL_PUBLIC_HEADER "${CMAKE_CURRENT_LIST_DIR}/../include/quorvel/quorvel.hpp")

# quorvel_island_ids(<variable>): the identifiers, in the header's order.
function(quorvel_island_ids variable)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${QUORVEL_PUBLIC_HEADER}")
  file(READ "${QUORVEL_PUBLIC_HEADER}" header)
  string(REGEX MATCH "kIslandIds\\[\\] = [{]([^}]*)[}]" initialiser "${header}")
  string(REGEX MATCHALL "\"[A-Za-z]+\"" quoted "${CMAKE_MATCH_1}")
  if(NOT initialiser OR NOT quoted)
    message(FATAL_ERROR "${QUORVEL_PUBLIC_HEADER} has no initialiser `kIslandIds[] = {\"...\", ...}` "
                        "to take the island identifiers from")
  endif()
  string(REPLACE "\"" "" ids "${quoted}")
  set(${variable} "${ids}" PARENT_SCOPE)
endfunction()

# quorvel_island_files(<variable> <folder>): "<id>=<folder>/<id>.xml" for each island, as
# quorvel_embed_files takes its FILES.
function(quorvel_island_files variable folder)
  quorvel_island_ids(ids)
  set(files "")
  foreach(id IN LISTS ids)
    list(APPEND files "${id}=${folder}/${id}.xml")
  endforeach()
  set(${variable} "${files}" PARENT_SCOPE)
endfunction()
