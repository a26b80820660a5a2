# The layering as a fact of the build.
#
# Include scopes: a library publishes the headers of its own folder and nothing else, so a
# source sees the headers of its own layer and of the libraries it links, and an include of a
# layer above it finds no file. vantaro_include_scope(TARGET PUBLIC|INTERFACE) gives TARGET a
# folder under the build tree, include/<folder>, holding links to the headers of the folder
# being configured at the same path as in the source tree (and to its subfolders that are no
# library of their own, such as platform/linux/). The links follow the source tree at every
# configure, which a changed folder starts by itself.
function(vantaro_include_scope target kind)
  file(RELATIVE_PATH folder "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REPLACE "/" "_" scope_name "${folder}")
  set(scope "${CMAKE_BINARY_DIR}/include/${scope_name}")
  file(MAKE_DIRECTORY "${scope}/${folder}")
  file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/*")
  set(wanted "")
  foreach(entry IN LISTS entries)
    get_filename_component(name "${entry}" NAME)
    if((IS_DIRECTORY "${entry}" AND NOT EXISTS "${entry}/CMakeLists.txt") OR name MATCHES "\\.h$")
      list(APPEND wanted "${name}")
      if(NOT IS_SYMLINK "${scope}/${folder}/${name}")
        file(CREATE_LINK "${entry}" "${scope}/${folder}/${name}" SYMBOLIC)
      endif()
    endif()
  endforeach()
  # A header moved or removed since the last configure must not stay visible.
  file(GLOB published LIST_DIRECTORIES true "${scope}/${folder}/*")
  foreach(link IN LISTS published)
    get_filename_component(name "${link}" NAME)
    if(IS_SYMLINK "${link}" AND NOT name IN_LIST wanted)
      file(REMOVE "${link}")
    endif()
  endforeach()
  target_include_directories(${target} ${kind} "${scope}")
endfunction()

# The layers, lowest first. Each row: the libraries of one layer (the first names the row),
# the folders whose headers they publish, and the rows it may use directly (what those use
# comes with them). The same framework headers serve the X11 and the Win32 rows; the X11 and
# Wayland sides of the Linux framework call each other. tools/ and tests/ are no layer: no
# library here may use them.
set(VANTARO_LAYERS
  "vantaro_gfx | gfx | "
  "vantaro_platform vantaro_platform_api vantaro_resources | platform platform/linux platform/win32 | vantaro_gfx"
  "vantaro_scene | scene | vantaro_gfx vantaro_platform"
  "vantaro_scene_gl | scene/gl | vantaro_scene"
  "vantaro_scene_d3d9 | scene/d3d9 | vantaro_scene"
  "vantaro_aircraft | aircraft | vantaro_scene"
  "vantaro_manoeuvres | manoeuvres | vantaro_aircraft"
  "vantaro_show | show | vantaro_manoeuvres"
  "vantaro_framework_x11 vantaro_framework vantaro_framework_headers | app/framework app/framework/x11 | vantaro_platform vantaro_framework_wayland"
  "vantaro_framework_wayland vantaro_wayland_shell_protocols | app/framework/wayland | vantaro_framework_x11"
  "vantaro_framework_win32 vantaro_framework vantaro_framework_headers | app/framework app/framework/win32 | vantaro_platform"
  "vantaro_app | app | vantaro_show vantaro_framework_x11 vantaro_framework_win32 vantaro_scene_gl vantaro_scene_d3d9"
  "vantaro_core vantaro_png vantaro_programme_player vantaro_assets vantaro_asset_view vantaro_choreography vantaro_figure_checks | tools tests | "
)

# The fields of one row of the table: its libraries, folders and the rows it uses.
function(_vantaro_layer_fields line targets_var folders_var uses_var)
  string(REPLACE "|" ";" fields "${line}")
  list(GET fields 0 targets)
  list(GET fields 1 folders)
  list(GET fields 2 uses)
  separate_arguments(targets)
  separate_arguments(folders)
  separate_arguments(uses)
  set(${targets_var} "${targets}" PARENT_SCOPE)
  set(${folders_var} "${folders}" PARENT_SCOPE)
  set(${uses_var} "${uses}" PARENT_SCOPE)
endfunction()

# Hands all_targets and all_folders, each without repeats, to the caller of the function this
# is used in, as its targets_var and folders_var.
macro(_vantaro_return_libraries_and_folders)
  list(REMOVE_DUPLICATES all_targets)
  list(REMOVE_DUPLICATES all_folders)
  set(${targets_var} "${all_targets}" PARENT_SCOPE)
  set(${folders_var} "${all_folders}" PARENT_SCOPE)
endmacro()

# What the row whose first library is ROW may use, itself included: the libraries (in
# TARGETS_VAR) and the folders whose headers it may include (in FOLDERS_VAR).
function(vantaro_layer_allowance row targets_var folders_var)
  set(pending ${row})
  set(done "")
  set(all_targets "")
  set(all_folders "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST done)
      continue()
    endif()
    list(APPEND done ${current})
    set(found OFF)
    foreach(line IN LISTS VANTARO_LAYERS)
      _vantaro_layer_fields("${line}" targets folders uses)
      list(GET targets 0 first)
      if(first STREQUAL current)
        set(found ON)
        list(APPEND all_targets ${targets})
        list(APPEND all_folders ${folders})
        list(APPEND pending ${uses})
      endif()
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "no layer ${current} in VANTARO_LAYERS")
    endif()
  endwhile()
  _vantaro_return_libraries_and_folders()
endfunction()

# Every library and folder the rows name (what the check knows as ours), and the rows whose
# first library this build has (the X11 or the Win32 side, the GL or the Direct3D 9 device).
function(vantaro_layer_names targets_var folders_var built_var)
  set(all_targets "")
  set(all_folders "")
  set(built "")
  foreach(line IN LISTS VANTARO_LAYERS)
    _vantaro_layer_fields("${line}" targets folders uses)
    list(APPEND all_targets ${targets})
    list(APPEND all_folders ${folders})
    list(GET targets 0 first)
    if(TARGET ${first} AND NOT first STREQUAL "vantaro_core")
      list(APPEND built ${first})
    endif()
  endforeach()
  _vantaro_return_libraries_and_folders()
  set(${built_var} "${built}" PARENT_SCOPE)
endfunction()

# Link closures: vantaro_write_link_closure(TARGET) writes, at configure
# time, every library TARGET links directly or through others (targets by name, system
# libraries as the linker sees them), every include folder that comes with them and every
# source file of our own libraries among them, one per line, to
# ${CMAKE_BINARY_DIR}/layering/TARGET.txt. tests/layering reads those files and fails when a
# library or an include points up a layer, or when a window-system, toolkit, GL or sound
# library, or a header of one, appears in the show core's.
function(_vantaro_collect_links item out_var)
  set(seen ${${out_var}})
  # Generator expressions that only qualify a link item keep the item.
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
  if(item STREQUAL "" OR item IN_LIST seen)
    return()
  endif()
  list(APPEND seen "${item}")
  if(TARGET "${item}")
    get_target_property(type "${item}" TYPE)
    set(props INTERFACE_LINK_LIBRARIES INTERFACE_INCLUDE_DIRECTORIES)
    get_target_property(imported "${item}" IMPORTED)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT imported)
      list(APPEND props LINK_LIBRARIES)
      # Our own sources too, so the check can look at what they include.
      get_target_property(sources "${item}" SOURCES)
      get_target_property(source_dir "${item}" SOURCE_DIR)
      foreach(source IN LISTS sources)
        if(source MATCHES "\\.(cpp|h)$")
          cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${source_dir}")
          list(APPEND seen "source:${source}")
        endif()
      endforeach()
    endif()
    if(imported AND NOT type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND props IMPORTED_LOCATION IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_NOCONFIG)
    endif()
    foreach(prop IN LISTS props)
      get_target_property(values "${item}" ${prop})
      if(values)
        foreach(value IN LISTS values)
          if(prop STREQUAL "INTERFACE_INCLUDE_DIRECTORIES")
            list(APPEND seen "include:${value}")
          elseif(prop MATCHES "^IMPORTED_LOCATION")
            list(APPEND seen "file:${value}")
          else()
            _vantaro_collect_links("${value}" seen)
          endif()
        endforeach()
      endif()
    endforeach()
  endif()
  list(REMOVE_DUPLICATES seen)
  set(${out_var} "${seen}" PARENT_SCOPE)
endfunction()

function(vantaro_write_link_closure target)
  set(closure "")
  _vantaro_collect_links(${target} closure)
  list(JOIN closure "\n" text)
  file(WRITE "${CMAKE_BINARY_DIR}/layering/${target}.txt" "${text}\n")
endfunction()

# The closure of every layer this build has, for tests/layering.
function(vantaro_write_layer_closures)
  vantaro_layer_names(targets folders layers)
  foreach(layer IN LISTS layers)
    vantaro_write_link_closure(${layer})
  endforeach()
endfunction()
