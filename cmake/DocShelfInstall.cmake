# SPDX-License-Identifier: Apache-2.0
# What `cmake --install BUILD --prefix P` puts into P (folders as GNUInstallDirs names them):
#   lib/docshelf/libdocshelf.so*    the component, for a host to dlopen; its RUNPATH finds
#   lib/libcorelib.so*              the utility library one folder up
#   include/docshelf/               the public headers, CoreLib.h (the log sink) among them
#   bin/docshelf-host               the reference host; it looks for ../lib/docshelf
#   share/man/man1/docshelf-host.1.gz  made from docshelf-host --help
#   lib/pkgconfig/docshelf.pc       Cflags, and the component's path as the variable "component"
#   lib/cmake/DocShelf/             find_package(DocShelf): DocShelf::headers and friends
#   share/doc/docshelf/             the host guide, the host's README, examples/minimal-host,
#                                   the copyright (machine-readable) and the changelog
include(CMakePackageConfigHelpers)

install(TARGETS corelib LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS docshelf LIBRARY DESTINATION ${DOCSHELF_COMPONENT_DIR})
install(TARGETS docshelf-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(GLOB DOCSHELF_PUBLIC_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/include/docshelf/*.h)
install(FILES ${DOCSHELF_PUBLIC_HEADERS}
  ${CMAKE_SOURCE_DIR}/platform/corelib/include/corelib/CoreLib.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/docshelf)

# The man page, from the host's own --help.
set(HOST_MAN_PAGE ${CMAKE_BINARY_DIR}/man/docshelf-host.1.gz)
add_custom_command(
  OUTPUT ${HOST_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:docshelf-host> -DOUTPUT=${HOST_MAN_PAGE}
          -DAWK_SCRIPT=${CMAKE_SOURCE_DIR}/cmake/help-to-man.awk
          "-DSOURCE=DocShelf ${PROJECT_VERSION}"
          "-DSEE_ALSO=host-guide.md in the DocShelf documentation (${CMAKE_INSTALL_DOCDIR} of the installation)"
          -P ${CMAKE_SOURCE_DIR}/cmake/HostManPage.cmake
  DEPENDS docshelf-host ${CMAKE_SOURCE_DIR}/cmake/help-to-man.awk
          ${CMAKE_SOURCE_DIR}/cmake/HostManPage.cmake
  COMMENT "Making the man page of docshelf-host"
  VERBATIM)
add_custom_target(docshelf_man_page ALL DEPENDS ${HOST_MAN_PAGE})
install(FILES ${HOST_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# docshelf.pc: paths relative to its own folder, so an unpacked or moved tree still works.
file(RELATIVE_PATH DOCSHELF_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" DOCSHELF_PC_TO_PREFIX "${DOCSHELF_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/docshelf.pc.in ${CMAKE_BINARY_DIR}/pkg/docshelf.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pkg/docshelf.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# DocShelfConfig.cmake, relocatable likewise.
set(DOCSHELF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/DocShelf)
set(DOCSHELF_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/docshelf)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/DocShelfConfig.cmake.in
  ${CMAKE_BINARY_DIR}/pkg/DocShelfConfig.cmake
  INSTALL_DESTINATION ${DOCSHELF_CMAKE_DIR}
  PATH_VARS DOCSHELF_INCLUDE_DIR DOCSHELF_COMPONENT_DIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pkg/DocShelfConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pkg/DocShelfConfig.cmake
  ${CMAKE_BINARY_DIR}/pkg/DocShelfConfigVersion.cmake
  DESTINATION ${DOCSHELF_CMAKE_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/docs/host-guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The host's README without its last section, which is about the source tree.
file(READ ${CMAKE_SOURCE_DIR}/host/README.md DOCSHELF_HOST_README)
string(FIND "${DOCSHELF_HOST_README}" "\n## In the source tree" DOCSHELF_SOURCE_SECTION)
string(SUBSTRING "${DOCSHELF_HOST_README}" 0 ${DOCSHELF_SOURCE_SECTION} DOCSHELF_HOST_README)
file(WRITE ${CMAKE_BINARY_DIR}/pkg/docshelf-host.md "${DOCSHELF_HOST_README}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/README.md)
install(FILES ${CMAKE_BINARY_DIR}/pkg/docshelf-host.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# Who maintains the package: DEBFULLNAME and DEBEMAIL of the environment that configures the
# build, as Debian's own tools take them, else the project's address.
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(DOCSHELF_DEFAULT_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(DOCSHELF_DEFAULT_MAINTAINER "DocShelf maintainers <maintainers@docshelf.example>")
endif()
set(DOCSHELF_PACKAGE_MAINTAINER "${DOCSHELF_DEFAULT_MAINTAINER}"
  CACHE STRING "Maintainer field of the Debian package and its changelog")

install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME docshelf)
set(DOCSHELF_CHANGELOG ${CMAKE_BINARY_DIR}/pkg/changelog)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${DOCSHELF_CHANGELOG} @ONLY)
add_custom_command(
  OUTPUT ${DOCSHELF_CHANGELOG}.gz
  COMMAND gzip -9nkf ${DOCSHELF_CHANGELOG}
  DEPENDS ${DOCSHELF_CHANGELOG}
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(docshelf_changelog ALL DEPENDS ${DOCSHELF_CHANGELOG}.gz)
install(FILES ${DOCSHELF_CHANGELOG}.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
