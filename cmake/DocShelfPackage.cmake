# SPDX-License-Identifier: Apache-2.0
# `cpack -G DEB` in the build folder: one Debian package per install component, as Debian ships
# a library and its tools (the components are listed in DocShelfInstall.cmake):
#   libcorelib0    the utility library, named after its SONAME; ldconfig by trigger
#   docshelf       the component, in its private folder; never linked, so no shlibs
#   docshelf-dev   headers, libcorelib.so, pkg-config and CMake files
#   docshelf-host  the reference host and its man page
#   docshelf-doc   the host guide, the minimal host, the reference (HTML and man pages)
# Depends are what dpkg-shlibdeps finds plus each package's own: the packages of one build go
# together at one version. The maintainer field is set in DocShelfInstall.cmake, as the
# changelog names it too.

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${DOCSHELF_COMPONENTS})
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_PACKAGE_NAME docshelf)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DOCSHELF_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# corelib is in a package of its own, which dpkg-shlibdeps cannot see yet: it finds the library
# in the build folder, and the Depends on libcorelib0 come from the component dependencies.
get_target_property(DOCSHELF_CORELIB_BUILD_DIR corelib BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${DOCSHELF_CORELIB_BUILD_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The other packages of the build at exactly this version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(DOCSHELF_DESCRIPTION_HEAD [[
DocShelf is a plug-in library that a conferencing host loads with dlopen:
a panel of the meeting's folder on a WebDAV server, with its uploads and
downloads.
.
]])

# libcorelib0: ldconfig by trigger, and the shlibs file that lets packages linking corelib
# depend on it.
set(DOCSHELF_CONTROL_DIR ${CMAKE_BINARY_DIR}/pkg/control)
file(WRITE ${DOCSHELF_CONTROL_DIR}/triggers "activate-noawait ldconfig\n")
file(WRITE ${DOCSHELF_CONTROL_DIR}/shlibs
  "libcorelib ${PROJECT_VERSION_MAJOR} libcorelib0 (>= ${PROJECT_VERSION})\n")
set(CPACK_DEBIAN_CORELIB_PACKAGE_NAME libcorelib0)
set(CPACK_DEBIAN_CORELIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_CORELIB_PACKAGE_CONTROL_EXTRA
  ${DOCSHELF_CONTROL_DIR}/triggers ${DOCSHELF_CONTROL_DIR}/shlibs)
set(CPACK_COMPONENT_CORELIB_DESCRIPTION "utility library of the DocShelf component
${DOCSHELF_DESCRIPTION_HEAD}This package holds the utility library the component uses: keyed
records, a task manager and the log sink a host may set.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME docshelf)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION net)
set(CPACK_COMPONENT_RUNTIME_DEPENDS corelib)
# Qt loads its platform plugins by itself, so no linker sees them.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The fonts and icons the panel asks for, and the desktop's opener.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS
  "fonts-liberation, fonts-wqy-microhei, adwaita-icon-theme, xdg-utils")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "document-sharing panel for conferencing hosts
${DOCSHELF_DESCRIPTION_HEAD}This package holds the component, for a host to load.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME docshelf-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEV_DEPENDS corelib runtime)
set(CPACK_COMPONENT_DEV_DESCRIPTION "document-sharing panel for conferencing hosts (development files)
${DOCSHELF_DESCRIPTION_HEAD}This package holds what a host is built with: the public headers,
the utility library's link, and pkg-config and CMake package files that
name the component's path.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME docshelf-host)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION net)
set(CPACK_COMPONENT_HOST_DEPENDS runtime)
set(CPACK_COMPONENT_HOST_DESCRIPTION "reference host of the DocShelf panel
${DOCSHELF_DESCRIPTION_HEAD}This package holds docshelf-host, a window with the panel and a
scriptable client of every interface, with its man page.")

set(CPACK_DEBIAN_DOC_PACKAGE_NAME docshelf-doc)
set(CPACK_DEBIAN_DOC_PACKAGE_SECTION doc)
set(CPACK_DEBIAN_DOC_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DOC_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DOC_DESCRIPTION "document-sharing panel for conferencing hosts (documentation)
${DOCSHELF_DESCRIPTION_HEAD}This package holds the host guide, a minimal host to build, and the
reference of every interface, as HTML and as section 3 man pages.")

include(CPack)
