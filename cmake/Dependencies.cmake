# pugixml: the system package, or compiled from a source tree (the WebAssembly build).
if(QUORVEL_PUGIXML_SOURCE_DIR)
  add_library(quorvel_pugixml STATIC "${QUORVEL_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  target_include_directories(quorvel_pugixml SYSTEM PUBLIC "${QUORVEL_PUGIXML_SOURCE_DIR}/src")
  add_library(pugixml::pugixml ALIAS quorvel_pugixml)
else()
  find_package(pugixml REQUIRED CONFIG)
endif()
