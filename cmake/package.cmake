# A Debian package of everything that is installed: cpack -G DEB in the
# build directory (or cpack --preset release).
set(CPACK_PACKAGE_NAME scte104)
set(CPACK_PACKAGE_VENDOR "scte104")
set(CPACK_PACKAGE_CONTACT "scte104 maintainers <maintainers@scte104.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inspect SCTE 104 queue marks")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "scte104 decodes one SCTE 104 multiple_operation_message(), as automation sends it to an "
  "SCTE 35 injector, given as Base64 text or as a file, and prints every field: a fixed text "
  "report or a JSON report for scripts. The package also holds the scte_104 and utility "
  "libraries, their headers, and CMake and pkg-config files to build against them.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://scte104.invalid/")
# The dependencies come from the binaries and libraries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
