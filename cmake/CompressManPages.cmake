# SPDX-License-Identifier: Apache-2.0
# cmake -DMAN_DIR=D -P CompressManPages.cmake: gzip -9n every page of D, in place.
file(GLOB pages ${MAN_DIR}/*.3)
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${page}: ${rc}")
  endif()
endforeach()
