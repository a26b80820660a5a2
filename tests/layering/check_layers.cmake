# Fails when the link closure in CLOSURE (written by cmake/Layering.cmake) names a library of
# ours that the layer may not use, or when one of its sources or a header beside them includes
# a header of a folder the layer may not use: whatever points up a layer or across to a
# sibling. ALLOWED_TARGETS and ALLOWED_FOLDERS are what the layer may use, KNOWN_TARGETS and
# KNOWN_FOLDERS everything the layer table names, each a comma-separated list.
#   cmake -DCLOSURE=file -DALLOWED_TARGETS=... -DALLOWED_FOLDERS=... -DKNOWN_TARGETS=...
#         -DKNOWN_FOLDERS=... -P check_layers.cmake

cmake_minimum_required(VERSION 3.25)  # for IN_LIST in script mode

foreach(list ALLOWED_TARGETS ALLOWED_FOLDERS KNOWN_TARGETS KNOWN_FOLDERS)
  string(REPLACE "," ";" ${list} "${${list}}")
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/read_closure.cmake)

# The includes in FILE of a folder of the table that the layer may not use: the folder of
# "scene/gl/gl_device.h" is scene/gl, that of "tools/render/png_file.h" tools (the nearest the
# table names).
function(_include_problems file out_var)
  set(problems "")
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"/]+\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)/[^\"/]+\".*$" "\\1" folder "${line}")
    while(NOT folder IN_LIST KNOWN_FOLDERS AND folder MATCHES "/")
      string(REGEX REPLACE "/[^/]*$" "" folder "${folder}")
    endwhile()
    if(folder IN_LIST KNOWN_FOLDERS AND NOT folder IN_LIST ALLOWED_FOLDERS)
      string(APPEND problems "  ${file}: ${line}\n")
    endif()
  endforeach()
  set(${out_var} "${problems}" PARENT_SCOPE)
endfunction()

set(problems "")
set(looked_at "")
foreach(entry IN LISTS entries)
  if(entry MATCHES "^source:(.*)$")
    set(source "${CMAKE_MATCH_1}")
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${closure_dir}")
    get_filename_component(folder "${source}" DIRECTORY)
    # The headers of the source's folder are the layer's too, with or without a source beside.
    file(GLOB headers "${folder}/*.h")
    foreach(file IN LISTS source headers)
      if(EXISTS "${file}" AND NOT file IN_LIST looked_at)
        list(APPEND looked_at "${file}")
        _include_problems("${file}" found)
        string(APPEND problems "${found}")
      endif()
    endforeach()
  elseif(entry IN_LIST KNOWN_TARGETS AND NOT entry IN_LIST ALLOWED_TARGETS)
    string(APPEND problems "  links ${entry}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${CLOSURE}: a dependency points up a layer or across:\n${problems}")
endif()
list(LENGTH looked_at files)
message(STATUS "${CLOSURE}: ${count} entries and ${files} files, every dependency points down")
