# SPDX-License-Identifier: MIT
# Installs the tool, both libraries, their headers, the man page, a CMake
# package and a pkg-config file, so that another project can write
#   find_package(scte104 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE scte104::scte_104 scte104::utility)
# or
#   c++ app.cpp $(pkg-config --cflags --libs scte104)
include(CMakePackageConfigHelpers)

set(SCTE104_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/scte104)

install(TARGETS utility scte_104 EXPORT scte104-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS scte104 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/lib/scte/include/ ${PROJECT_SOURCE_DIR}/lib/utility/include/
  DESTINATION ${SCTE104_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/scte104.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(EXPORT scte104-targets NAMESPACE scte104:: DESTINATION ${SCTE104_CMAKE_DIR})
configure_package_config_file(cmake/scte104-config.cmake.in
  ${PROJECT_BINARY_DIR}/scte104-config.cmake
  INSTALL_DESTINATION ${SCTE104_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/scte104-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/scte104-config.cmake
              ${PROJECT_BINARY_DIR}/scte104-config-version.cmake
  DESTINATION ${SCTE104_CMAKE_DIR})

# The .pc file finds its prefix from where it lies, so that it stays right
# wherever the files are installed (cmake --install --prefix, a .deb).
file(RELATIVE_PATH SCTE104_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(cmake/scte104.pc.in ${PROJECT_BINARY_DIR}/scte104.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/scte104.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
