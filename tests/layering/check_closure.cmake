# Fails when the link closure in CLOSURE (written by cmake/Layering.cmake) names a window-system,
# toolkit, GL, sound or Windows user-interface library, or when one of its source files
# includes a header of one.
#   cmake -DCLOSURE=file -P check_closure.cmake

set(forbidden_library "(^|[/:_ -]|lib)(x11|xcb|xext|xfixes|xtst|gtk|gdk|glib|gobject|gio|gmodule|egl|gl|glx|epoxy|sdl2?|fontconfig|cairo|pango|mpg123|user32|gdi32|comctl32|comdlg32|shell32|d3d9|winmm)([-_./0-9]|$)")
set(forbidden_header "#[ \t]*include[ \t]*(<(X11/|gtk/|gdk/|glib|gio/|EGL/|GL/|epoxy/|SDL|fontconfig/|mpg123|windows\\.h|wincodec|d3d9|mmsystem|commctrl)|\"platform/(win32|linux)/)")

include(${CMAKE_CURRENT_LIST_DIR}/read_closure.cmake)
set(problems "")
foreach(entry IN LISTS entries)
  if(entry MATCHES "^source:(.*)$")
    set(source "${CMAKE_MATCH_1}")
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${closure_dir}")
    # A source's own header beside it is looked at too.
    string(REGEX REPLACE "\\.cpp$" ".h" header "${source}")
    foreach(file IN LISTS source header)
      if(EXISTS "${file}")
        file(STRINGS "${file}" includes REGEX "${forbidden_header}")
        foreach(line IN LISTS includes)
          string(APPEND problems "  ${file}: ${line}\n")
        endforeach()
      endif()
    endforeach()
  else()
    string(REGEX REPLACE "^(include|file):" "" name "${entry}")
    string(TOLOWER "${name}" name)
    if(name MATCHES "${forbidden_library}")
      string(APPEND problems "  ${entry}\n")
    endif()
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${CLOSURE}: a platform library crept into the core:\n${problems}")
endif()
message(STATUS "${CLOSURE}: ${count} entries, no platform library")
