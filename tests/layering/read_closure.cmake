# Reads the link closure in CLOSURE into `entries` (one per line) and `count`, and its folder,
# against which its relative source paths are read, into `closure_dir`; stops on a missing
# or empty closure, which would otherwise pass every check.
if(NOT EXISTS "${CLOSURE}")
  message(FATAL_ERROR "no link closure at ${CLOSURE}")
endif()
file(STRINGS "${CLOSURE}" entries)
list(LENGTH entries count)
if(count EQUAL 0)
  message(FATAL_ERROR "${CLOSURE} is empty")
endif()
get_filename_component(closure_dir "${CLOSURE}" DIRECTORY)
