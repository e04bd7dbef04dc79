# SPDX-License-Identifier: Apache-2.0
# cmake -DOUTPUT=file.cpp -DINPUTS="a;b;c" -P EmbedResources.cmake
# Writes the resource files as byte arrays and registers them as the component's table.
set(arrays "")
set(entries "")
set(index 0)
foreach(input IN LISTS INPUTS)
  get_filename_component(name ${input} NAME)
  if(name MATCHES "^strings_([0-9]+)\\.txt$")
    set(entry "afx::ResourceType::StringTable, 0, ${CMAKE_MATCH_1}")
  elseif(name MATCHES "^menu_([0-9]+)_([0-9]+)\\.txt$")
    set(entry "afx::ResourceType::Menu, ${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}")
  elseif(name MATCHES "^bitmap_([0-9]+)\\.bmp$")
    set(entry "afx::ResourceType::Bitmap, ${CMAKE_MATCH_1}, 0")
  elseif(name MATCHES "^bitmap_([0-9]+)@2x\\.bmp$")
    set(entry "afx::ResourceType::Bitmap2x, ${CMAKE_MATCH_1}, 0")
  else()
    message(FATAL_ERROR "resource file of unknown kind: ${name}")
  endif()
  file(READ ${input} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REPEAT "0x..," 16 row)
  string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "// ${name}\nconst unsigned char kData${index}[] = {\n    ${bytes}0x00};\n\n")
  string(APPEND entries "    {${entry}, kData${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp "// Generated from res/ by EmbedResources.cmake; do not edit.
#include \"AfxResource.h\"

namespace {

${arrays}const afx::ResourceBlob kBlobs[] = {
${entries}};

const size_t kFailed = afx::RegisterResources(afx::ResourceScope::Component, kBlobs,
                                              sizeof(kBlobs) / sizeof(kBlobs[0]));

} // namespace

extern \"C\" const int DocShelfResourceAnchor;
extern \"C\" const int DocShelfResourceAnchor = kFailed == 0 ? 1 : 0;
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
