# SPDX-License-Identifier: Apache-2.0
# cmake -DHOST=... -DOUTPUT=page.1.gz -DAWK_SCRIPT=help-to-man.awk -DSOURCE=... -DSEE_ALSO=...
#       -P HostManPage.cmake
# Runs the host's --help through help-to-man.awk and compresses the page.
get_filename_component(dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
string(REGEX REPLACE "\\.gz$" "" page ${OUTPUT})
# A sanitizer build's host is run too; its leak report is no part of the help.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
execute_process(COMMAND ${HOST} --help
  OUTPUT_FILE ${page}.help
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${HOST} --help failed (${rc})")
endif()
find_program(AWK NAMES awk mawk gawk REQUIRED)
execute_process(COMMAND ${AWK} -v prog=docshelf-host
    "-v" "summary=the reference host of the DocShelf component"
    "-v" "source=${SOURCE}" "-v" "seealso=${SEE_ALSO}" -f ${AWK_SCRIPT}
  INPUT_FILE ${page}.help
  OUTPUT_FILE ${page}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help-to-man.awk failed (${rc})")
endif()
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9 -n -f ${page} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed (${rc})")
endif()
file(REMOVE ${page}.help)
