# SPDX-License-Identifier: Apache-2.0
# `cpack -G DEB` in the build folder: one package, docshelf, holding what the install rules
# install, under /usr. Its Depends are what dpkg-shlibdeps finds, plus Qt's platform plugins,
# which Qt loads by itself and no linker sees. The maintainer field is set in
# DocShelfInstall.cmake, as the changelog names it too.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME docshelf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document-sharing panel for conferencing hosts")
set(CPACK_PACKAGE_DESCRIPTION [[
DocShelf is a plug-in library that a conferencing host loads with dlopen:
a panel of the meeting's folder on a WebDAV server, with its uploads and
downloads. The package holds the component, its utility library, the public
headers with pkg-config and CMake files, the reference host docshelf-host
and the host guide with a minimal host.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DOCSHELF_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only corelib is a public library: the component is loaded by path, never linked. ldconfig
# runs by trigger, not from maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(DOCSHELF_CONTROL_DIR ${CMAKE_BINARY_DIR}/pkg/control)
file(WRITE ${DOCSHELF_CONTROL_DIR}/triggers "activate-noawait ldconfig\n")
file(WRITE ${DOCSHELF_CONTROL_DIR}/shlibs
  "libcorelib 0 docshelf (>= ${PROJECT_VERSION})\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${DOCSHELF_CONTROL_DIR}/triggers ${DOCSHELF_CONTROL_DIR}/shlibs)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The fonts and icons the panel asks for, and the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-liberation, fonts-wqy-microhei, adwaita-icon-theme, xdg-utils")

include(CPack)
