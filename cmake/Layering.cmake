# Which folder may include which. A library sees only the folders it is given here, each through its own
# include root under the build tree, so an include of another folder's header does not compile; the
# layering check below also refuses Qt modules a pure folder must not use.

# Makes "<folder>/..." includable by the target and everything linked to it.
function(tf_expose target folder)
  string(REPLACE "/" "_" _tag ${folder})
  set(_root ${CMAKE_BINARY_DIR}/include/${_tag})
  get_filename_component(_parent ${_root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  if(NOT EXISTS ${_root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${_root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${_root})
endfunction()

# The check runs at every build, before the pure libraries compile, and as a test.
set(TF_LAYERING_ARGS
  -DROOT=${CMAKE_SOURCE_DIR}
  "-DGUI_DIRS=${Qt6Gui_INCLUDE_DIRS}"
  "-DWIDGETS_DIRS=${Qt6Widgets_INCLUDE_DIRS}"
  "-DSVG_DIRS=${Qt6Svg_INCLUDE_DIRS}"
  -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayering.cmake)
add_custom_target(tf_layering_check
  COMMAND ${CMAKE_COMMAND} ${TF_LAYERING_ARGS}
  COMMENT "Checking that each folder includes only what it may")
