# Installing the library: the public headers, the library, the CMake package (target
# quorvel::engine for find_package(quorvel)), quorvel.pc for pkg-config and the licences.
include(CMakePackageConfigHelpers)

set(QUORVEL_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/quorvel")

# An installed program finds a shared engine where it is installed (bin/../lib).
if(BUILD_SHARED_LIBS AND NOT APPLE)
  file(RELATIVE_PATH bin_to_lib "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
  set(CMAKE_INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
endif()

install(TARGETS quorvel_engine EXPORT quorvelTargets
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" NAMELINK_COMPONENT Development
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES
  "${PROJECT_SOURCE_DIR}/include/quorvel/quorvel.hpp"
  "${PROJECT_BINARY_DIR}/include/quorvel/version.hpp"
  "${PROJECT_BINARY_DIR}/include/quorvel/export.hpp"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/quorvel")
install(EXPORT quorvelTargets NAMESPACE quorvel:: DESTINATION "${QUORVEL_CMAKE_DIR}")

# What an installed engine needs from its users' build: the system pugixml when a static engine
# links it; nothing when pugixml is compiled in or the engine is a shared library.
if(QUORVEL_PUGIXML_IS_SYSTEM AND NOT BUILD_SHARED_LIBS)
  set(QUORVEL_FIND_DEPENDENCIES "find_dependency(pugixml CONFIG)")
  set(QUORVEL_PC_REQUIRES_PRIVATE "Requires.private: pugixml")
else()
  set(QUORVEL_FIND_DEPENDENCIES "")
  set(QUORVEL_PC_REQUIRES_PRIVATE "")
endif()
if(BUILD_SHARED_LIBS)
  set(QUORVEL_PC_CFLAGS "")
else()
  set(QUORVEL_PC_CFLAGS " -DQUORVEL_STATIC_DEFINE")
endif()

configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/quorvelConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/quorvelConfig.cmake"
  INSTALL_DESTINATION "${QUORVEL_CMAKE_DIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake"
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/quorvelConfig.cmake"
              "${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake"
        DESTINATION "${QUORVEL_CMAKE_DIR}")

# quorvel.pc names the prefix from its own place, so that it holds wherever the files are
# installed (`cmake --install --prefix` chooses after configuring).
set(QUORVEL_PC_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
file(RELATIVE_PATH QUORVEL_PC_TO_PREFIX "/prefix/${QUORVEL_PC_DIR}" "/prefix")
string(REGEX REPLACE "/$" "" QUORVEL_PC_TO_PREFIX "${QUORVEL_PC_TO_PREFIX}")
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(QUORVEL_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(QUORVEL_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file("${CMAKE_CURRENT_LIST_DIR}/quorvel.pc.in" "${PROJECT_BINARY_DIR}/quorvel.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/quorvel.pc" DESTINATION "${QUORVEL_PC_DIR}")

install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" "${PROJECT_SOURCE_DIR}/CHANGELOG.md"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")
if(NOT QUORVEL_PUGIXML_IS_SYSTEM)
  # pugixml is compiled into the library: its licence travels with it.
  install(FILES "${QUORVEL_PUGIXML_SOURCE_DIR}/LICENSE.md"
          DESTINATION "${CMAKE_INSTALL_DOCDIR}" RENAME pugixml-LICENSE.md)
endif()
