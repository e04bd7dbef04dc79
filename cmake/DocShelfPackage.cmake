# SPDX-License-Identifier: Apache-2.0
# `cpack -G DEB` in the build folder: one package, docshelf, holding what the install rules
# install, under /usr. Its Depends are what dpkg-shlibdeps finds, plus Qt's platform plugins,
# which Qt loads by itself and no linker sees.
set(DOCSHELF_PACKAGE_MAINTAINER "DocShelf maintainers <docshelf@localhost>"
  CACHE STRING "Maintainer field of the Debian package")

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
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The fonts and icons the panel asks for, and the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-liberation, fonts-wqy-microhei, adwaita-icon-theme, xdg-utils")

include(CPack)
