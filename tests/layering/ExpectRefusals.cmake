# Runs the layering check over a small tree of files that include what their folders must not, and
# fails unless the check refuses exactly those includes and accepts the allowed ones.
# Run with -DCHECK=<CheckLayering.cmake> -DTREE=<tree> and the check's Qt include arguments.
execute_process(
  COMMAND ${CMAKE_COMMAND} -DROOT=${TREE} "-DGUI_DIRS=${GUI_DIRS}" "-DWIDGETS_DIRS=${WIDGETS_DIRS}"
          "-DSVG_DIRS=${SVG_DIRS}" -P ${CHECK}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(result EQUAL 0)
  message(FATAL_ERROR "the layering check accepted a tree that breaks the rules")
endif()
set(expected
  "chart/ReadsPictures.cpp includes a metafile library header: libwmf/api.h"
  "chart/ReadsPictures.cpp includes a metafile library header: emf2svg.h"
  "chart/ReadsPictures.cpp includes a Qt SVG header: QSvgGenerator"
  "chart/ReadsPictures.cpp includes another folder's code (picture/): picture/Picture.h"
  "chart/ReadsPictures.cpp includes another folder's code (export/): export/Export.h"
  "picture/DrawsCharts.cpp includes another folder's code (chart/): chart/ChartModel.h"
  "picture/DrawsCharts.cpp includes another folder's code (export/): export/EmfWriter.h"
  "export/UsesWidgets.cpp includes a widget header: QWidget"
  "export/UsesWidgets.cpp includes another folder's code (picture/): picture/PictureDecoders.h"
  "export/UsesWidgets.cpp includes a metafile library header: libwmf/gd.h")
# Exactly those: chart/ may include chart/, picture/ may use Qt SVG and libwmf, export/ the painter and
# Qt SVG.
string(REGEX MATCHALL "[a-z]+/[A-Za-z]+\\.cpp includes [^\n]*" refused "${out}")
list(SORT refused)
list(SORT expected)
if(NOT refused STREQUAL expected)
  list(JOIN refused "\n  " said)
  message(FATAL_ERROR "the layering check refused other includes than these files break:\n  ${said}")
endif()
