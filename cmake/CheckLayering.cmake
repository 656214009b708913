# Fails when a folder includes what it must not. Each folder below may include only the project folders named
# for it and Qt up to its level (engine/, intake/ and app/store/ QtCore, the others QtGui); Qt SVG only where
# pictures are read or exports written, and the metafile libraries (libwmf, libemf2svg) only in picture/.
# None of them includes widgets. app/ may include everything and is not checked.
# Run with -DROOT=<source tree> -DGUI_DIRS=<QtGui include dirs> -DWIDGETS_DIRS=<QtWidgets include dirs>
# -DSVG_DIRS=<QtSvg include dirs>.
cmake_minimum_required(VERSION 3.25)

# Header names of a Qt module, taken from its include folder (QWidget, qwidget.h, ...).
function(module_headers out dirs module)
  set(_names "")
  foreach(_d ${dirs})
    get_filename_component(_leaf ${_d} NAME)
    if(_leaf STREQUAL module)
      file(GLOB _h RELATIVE ${_d} ${_d}/*)
      list(APPEND _names ${_h})
    endif()
  endforeach()
  set(${out} ${_names} PARENT_SCOPE)
endfunction()

module_headers(widget_headers "${WIDGETS_DIRS}" QtWidgets)
module_headers(gui_headers "${GUI_DIRS}" QtGui)
module_headers(svg_headers "${SVG_DIRS}" QtSvg)
if(NOT widget_headers OR NOT gui_headers OR NOT svg_headers)
  message(FATAL_ERROR "layering check: Qt's QtWidgets, QtGui or QtSvg headers were not found")
endif()

# The project's folders, as the first part of an include path.
set(project_folders engine intake chart picture export app tests bench fuzz)

# folder | Qt level | project folders it may include | other libraries it may use ("-" for none).
set(rules
  "engine|core|engine|-"
  "intake|core|engine,intake|-"
  "chart|gui|engine,chart|-"
  "picture|gui|engine,picture|svg,metafile"
  "export|gui|engine,chart,export|svg"
  "app/store|core|engine,intake,app/store|-")
# The one file of chart/ that may read a picture file: the back wall's LoadFromFile.
set(file_allowances "chart/BackWallPicture.cpp|picture")

set(failures "")
foreach(rule ${rules})
  string(REPLACE "|" ";" rule "${rule}")
  list(GET rule 0 folder)
  list(GET rule 1 level)
  list(GET rule 2 allowed)
  list(GET rule 3 libraries)
  string(REPLACE "," ";" allowed "${allowed}")
  string(REPLACE "," ";" libraries "${libraries}")
  if(NOT IS_DIRECTORY ${ROOT}/${folder})
    continue()
  endif()
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
  foreach(src ${sources})
    file(RELATIVE_PATH rel ${ROOT} ${src})
    set(may ${allowed})
    foreach(allowance ${file_allowances})
      string(REPLACE "|" ";" allowance "${allowance}")
      list(GET allowance 0 allowed_file)
      if(rel STREQUAL allowed_file)
        list(GET allowance 1 extra)
        list(APPEND may ${extra})
      endif()
    endforeach()
    file(STRINGS ${src} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
        continue()
      endif()
      set(name ${CMAKE_MATCH_1})
      get_filename_component(leaf ${name} NAME)
      set(bad "")
      string(REGEX MATCH "^[^/]+" first "${name}")
      if(name MATCHES "/" AND first IN_LIST project_folders)
        set(ok FALSE)
        foreach(a ${may})
          if(name MATCHES "^${a}/")
            set(ok TRUE)
          endif()
        endforeach()
        if(NOT ok)
          set(bad "another folder's code (${first}/)")
        endif()
      elseif(name MATCHES "^QtWidgets/" OR leaf IN_LIST widget_headers)
        set(bad "a widget header")
      elseif(level STREQUAL "core" AND (name MATCHES "^QtGui/" OR leaf IN_LIST gui_headers))
        set(bad "a QtGui header")
      elseif((name MATCHES "^QtSvg/" OR leaf IN_LIST svg_headers) AND NOT "svg" IN_LIST libraries)
        set(bad "a Qt SVG header")
      elseif((name MATCHES "^libwmf/" OR leaf STREQUAL "emf2svg.h") AND NOT "metafile" IN_LIST libraries)
        set(bad "a metafile library header")
      endif()
      if(bad)
        list(APPEND failures "${rel} includes ${bad}: ${name}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "A folder includes what it must not:\n  ${text}")
endif()
