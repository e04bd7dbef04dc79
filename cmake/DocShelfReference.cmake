# SPDX-License-Identifier: Apache-2.0
# The reference from the public headers (Doxygen): BUILD/reference/html and one section-3 man
# page per interface, compressed as Debian wants them. Part of the default build, so that an
# undocumented public member fails it.
find_program(DOXYGEN_PROGRAM doxygen)
if(NOT DOXYGEN_PROGRAM)
  message(FATAL_ERROR "doxygen not found: run scripts/setup")
endif()

set(DOCSHELF_REFERENCE_DIR ${CMAKE_BINARY_DIR}/reference)
set(DOCSHELF_REFERENCE_HEADERS ${DOCSHELF_PUBLIC_HEADERS}
  ${CMAKE_SOURCE_DIR}/platform/corelib/include/corelib/CoreLib.h)
# Doxygen leaves out, without a word, the free functions and enums of a header that has no
# file comment.
foreach(header IN LISTS DOCSHELF_REFERENCE_HEADERS)
  file(STRINGS ${header} file_comment REGEX "^ *(///|/\\*\\*|\\*) *@file")
  if(NOT file_comment)
    message(FATAL_ERROR "${header}: no @file comment, so the reference would miss it")
  endif()
endforeach()
list(JOIN DOCSHELF_REFERENCE_HEADERS " " DOCSHELF_REFERENCE_INPUT)
string(APPEND DOCSHELF_REFERENCE_INPUT " ${CMAKE_SOURCE_DIR}/docs/reference/index.md")
configure_file(${CMAKE_SOURCE_DIR}/docs/reference/Doxyfile.in ${DOCSHELF_REFERENCE_DIR}/Doxyfile
  @ONLY)

# The pages are dated by the changelog's latest entry, so that the same source makes the same
# pages.
file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .*>?  " "" changelog_date "${changelog_trailer}")
execute_process(COMMAND date -d "${changelog_date}" +%s
  OUTPUT_VARIABLE DOCSHELF_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in)

set(DOCSHELF_REFERENCE_STAMP ${DOCSHELF_REFERENCE_DIR}/made)
add_custom_command(
  OUTPUT ${DOCSHELF_REFERENCE_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${DOCSHELF_REFERENCE_DIR}/html ${DOCSHELF_REFERENCE_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${DOCSHELF_RELEASE_EPOCH} ${DOXYGEN_PROGRAM}
          ${DOCSHELF_REFERENCE_DIR}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -DMAN_DIR=${DOCSHELF_REFERENCE_DIR}/man/man3
          -P ${CMAKE_SOURCE_DIR}/cmake/CompressManPages.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${DOCSHELF_REFERENCE_STAMP}
  DEPENDS ${DOCSHELF_REFERENCE_HEADERS} ${CMAKE_SOURCE_DIR}/docs/reference/index.md
          ${DOCSHELF_REFERENCE_DIR}/Doxyfile ${CMAKE_SOURCE_DIR}/cmake/CompressManPages.cmake
  WORKING_DIRECTORY ${DOCSHELF_REFERENCE_DIR}
  COMMENT "Making the reference (Doxygen)"
  VERBATIM)
add_custom_target(docshelf_reference ALL DEPENDS ${DOCSHELF_REFERENCE_STAMP})
