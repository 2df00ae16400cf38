# quorvel::pugixml: the pugixml the engine uses, compiled from a source tree in its header-only
# mode (QUORVEL_PUGIXML_SOURCE_DIR), or the system package. It is this project's own name, so that
# a project that adds Quorvel beside its own pugixml::pugixml meets no second target of that name.
#
# From source, every file that includes pugixml.hpp compiles its functions inline, so reading a
# row's attributes costs a few loads rather than several calls into a shared library per
# attribute; those calls alone cost more than parsing the whole document.
#
# Compiled in, pugixml is private to the engine: its namespace is renamed so that the copy inside
# the library never meets (or replaces) a pugixml the program using the library links itself, and
# nothing of it is exported or installed. The system library, linked instead, is a dependency that
# an installed static engine passes on to its users (quorvelConfig.cmake finds it).
add_library(quorvel_pugixml INTERFACE)
add_library(quorvel::pugixml ALIAS quorvel_pugixml)
if(QUORVEL_PUGIXML_SOURCE_DIR)
  target_include_directories(quorvel_pugixml SYSTEM INTERFACE "${QUORVEL_PUGIXML_SOURCE_DIR}/src")
  target_compile_definitions(quorvel_pugixml INTERFACE PUGIXML_HEADER_ONLY pugi=quorvel_pugi)
  set(QUORVEL_PUGIXML_IS_SYSTEM OFF)
else()
  find_package(pugixml REQUIRED CONFIG)
  target_link_libraries(quorvel_pugixml INTERFACE pugixml::pugixml)
  set(QUORVEL_PUGIXML_IS_SYSTEM ON)
endif()
