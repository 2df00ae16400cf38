# pugixml: compiled from a source tree in its header-only mode, or the system package.
#
# From source, every file that includes pugixml.hpp compiles its functions inline, so reading a
# row's attributes costs a few loads rather than several calls into a shared library per
# attribute; those calls alone cost more than parsing the whole document.
if(QUORVEL_PUGIXML_SOURCE_DIR)
  add_library(quorvel_pugixml INTERFACE)
  target_include_directories(quorvel_pugixml SYSTEM INTERFACE "${QUORVEL_PUGIXML_SOURCE_DIR}/src")
  target_compile_definitions(quorvel_pugixml INTERFACE PUGIXML_HEADER_ONLY)
  add_library(pugixml::pugixml ALIAS quorvel_pugixml)
else()
  find_package(pugixml REQUIRED CONFIG)
endif()
