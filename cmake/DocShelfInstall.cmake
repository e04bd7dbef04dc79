# SPDX-License-Identifier: Apache-2.0
# What `cmake --install BUILD --prefix P` puts into P, by component; each component is one Debian
# package (DocShelfPackage.cmake). LIBDIR is the multiarch folder, lib/x86_64-linux-gnu here.
#   corelib  libcorelib0     LIBDIR/libcorelib.so.0*        the utility library
#   runtime  docshelf        LIBDIR/docshelf/libdocshelf.so*  the component, for a host to
#                            dlopen; its RUNPATH finds libcorelib one folder up
#   dev      docshelf-dev    include/docshelf/ (CoreLib.h, the log sink, among them),
#                            LIBDIR/libcorelib.so, LIBDIR/pkgconfig/docshelf.pc,
#                            LIBDIR/cmake/DocShelf/ (find_package(DocShelf))
#   host     docshelf-host   bin/docshelf-host (it looks for ../LIBDIR/docshelf), its man page
#                            and share/doc/docshelf-host/docshelf-host.md
#   doc      docshelf-doc    share/doc/docshelf-doc/: the host guide, examples/minimal-host,
#                            the reference (html/); share/man/man3: a page per interface
# Each package's share/doc/PACKAGE holds the copyright (machine-readable) and the changelog.
include(CMakePackageConfigHelpers)

set(DOCSHELF_COMPONENTS corelib runtime dev host doc)
set(DOCSHELF_COMPONENT_PACKAGES libcorelib0 docshelf docshelf-dev docshelf-host docshelf-doc)
set(DOCSHELF_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/docshelf-doc)

install(TARGETS corelib LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  COMPONENT corelib NAMELINK_COMPONENT dev)
install(TARGETS docshelf LIBRARY DESTINATION ${DOCSHELF_COMPONENT_DIR}
  COMPONENT runtime NAMELINK_COMPONENT runtime)
install(TARGETS docshelf-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT host)

install(FILES ${DOCSHELF_PUBLIC_HEADERS}
  ${CMAKE_SOURCE_DIR}/platform/corelib/include/corelib/CoreLib.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/docshelf COMPONENT dev)

# The man page, from the host's own --help.
set(HOST_MAN_PAGE ${CMAKE_BINARY_DIR}/man/docshelf-host.1.gz)
add_custom_command(
  OUTPUT ${HOST_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:docshelf-host> -DOUTPUT=${HOST_MAN_PAGE}
          -DAWK_SCRIPT=${CMAKE_SOURCE_DIR}/cmake/help-to-man.awk
          "-DSOURCE=DocShelf ${PROJECT_VERSION}"
          "-DSEE_ALSO=/usr/${DOCSHELF_DOC_DIR}/host-guide.md (package docshelf-doc), and the reference beside it"
          -P ${CMAKE_SOURCE_DIR}/cmake/HostManPage.cmake
  DEPENDS docshelf-host ${CMAKE_SOURCE_DIR}/cmake/help-to-man.awk
          ${CMAKE_SOURCE_DIR}/cmake/HostManPage.cmake
  COMMENT "Making the man page of docshelf-host"
  VERBATIM)
add_custom_target(docshelf_man_page ALL DEPENDS ${HOST_MAN_PAGE})
install(FILES ${HOST_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT host)

# docshelf.pc, written when installed: its prefix is the one installed to (/usr in the package),
# so pkg-config gives plain paths; a staged tree is reached with PKG_CONFIG_SYSROOT_DIR.
set(DOCSHELF_PC_PREFIX "@DOCSHELF_PC_PREFIX@")
configure_file(${CMAKE_SOURCE_DIR}/cmake/docshelf.pc.in ${CMAKE_BINARY_DIR}/pkg/docshelf.pc.in @ONLY)
install(CODE "
  set(DOCSHELF_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(${CMAKE_BINARY_DIR}/pkg/docshelf.pc.in ${CMAKE_BINARY_DIR}/pkg/docshelf.pc @ONLY)
  " COMPONENT dev)
install(FILES ${CMAKE_BINARY_DIR}/pkg/docshelf.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

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
  DESTINATION ${DOCSHELF_CMAKE_DIR} COMPONENT dev)

install(FILES ${CMAKE_SOURCE_DIR}/docs/host-guide.md DESTINATION ${DOCSHELF_DOC_DIR} COMPONENT doc)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${DOCSHELF_DOC_DIR}/examples
  COMPONENT doc)
install(DIRECTORY ${DOCSHELF_REFERENCE_DIR}/html DESTINATION ${DOCSHELF_DOC_DIR} COMPONENT doc)
install(DIRECTORY ${DOCSHELF_REFERENCE_DIR}/man/man3 DESTINATION ${CMAKE_INSTALL_MANDIR}
  COMPONENT doc)
# The host's README without its last section, which is about the source tree.
file(READ ${CMAKE_SOURCE_DIR}/host/README.md DOCSHELF_HOST_README)
string(FIND "${DOCSHELF_HOST_README}" "\n## In the source tree" DOCSHELF_SOURCE_SECTION)
string(SUBSTRING "${DOCSHELF_HOST_README}" 0 ${DOCSHELF_SOURCE_SECTION} DOCSHELF_HOST_README)
file(WRITE ${CMAKE_BINARY_DIR}/pkg/docshelf-host.md "${DOCSHELF_HOST_README}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/README.md)
install(FILES ${CMAKE_BINARY_DIR}/pkg/docshelf-host.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/docshelf-host COMPONENT host)

# Who maintains the package: DEBFULLNAME and DEBEMAIL of the environment that configures the
# build, as Debian's own tools take them, else the project's address.
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(DOCSHELF_DEFAULT_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(DOCSHELF_DEFAULT_MAINTAINER "DocShelf maintainers <maintainers@docshelf.example>")
endif()
set(DOCSHELF_PACKAGE_MAINTAINER "${DOCSHELF_DEFAULT_MAINTAINER}"
  CACHE STRING "Maintainer field of the Debian package and its changelog")

set(DOCSHELF_CHANGELOG ${CMAKE_BINARY_DIR}/pkg/changelog)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${DOCSHELF_CHANGELOG} @ONLY)
add_custom_command(
  OUTPUT ${DOCSHELF_CHANGELOG}.gz
  COMMAND gzip -9nkf ${DOCSHELF_CHANGELOG}
  DEPENDS ${DOCSHELF_CHANGELOG}
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(docshelf_changelog ALL DEPENDS ${DOCSHELF_CHANGELOG}.gz)
# Every package's own copyright and changelog; libcorelib0 carries the ldconfig overrides.
foreach(component package IN ZIP_LISTS DOCSHELF_COMPONENTS DOCSHELF_COMPONENT_PACKAGES)
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright ${DOCSHELF_CHANGELOG}.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME libcorelib0 COMPONENT corelib)
