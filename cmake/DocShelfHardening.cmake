# SPDX-License-Identifier: Apache-2.0
# Debian's hardening flags, as dpkg-buildflags gives them with every hardening feature on
# (stack protector, format checks, fortified functions, relro and bind-now; PIE is the
# compiler's default). The build type keeps its own -O and -g, and -ffile-prefix-map is left
# out: the tests find their data through __FILE__. Off in sanitizer builds, which the
# fortified functions would hide faults from, and fortify needs an optimising build.
option(DOCSHELF_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)
find_program(DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)

function(docshelf_buildflags name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS_PROGRAM} --get ${name}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*)$")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

if(DOCSHELF_HARDENING AND NOT DOCSHELF_SANITIZE AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  if(NOT DPKG_BUILDFLAGS_PROGRAM)
    message(FATAL_ERROR "dpkg-buildflags not found: run scripts/setup, or -DDOCSHELF_HARDENING=OFF")
  endif()
  docshelf_buildflags(CPPFLAGS hardening_cppflags)
  docshelf_buildflags(CXXFLAGS hardening_cxxflags)
  docshelf_buildflags(LDFLAGS hardening_ldflags)
  add_compile_options(${hardening_cppflags} ${hardening_cxxflags})
  add_link_options(${hardening_ldflags})
  message(STATUS "Hardening: ${hardening_cppflags} ${hardening_cxxflags} ${hardening_ldflags}")
endif()
