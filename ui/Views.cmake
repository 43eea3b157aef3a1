# The view windows: the cell graph (its picture is the orva_plot library, plot/) and the two export windows.
set(ORVA_UI_VIEW_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ViewSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmShowcell.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmShowcellOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmShowcellPicture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmPictureSize.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmTextexport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmStatexport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmMeasure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmMeasureOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmArtifacts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmQuality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClusterTestChoices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CancellableProgress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmClusterTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UfrmClusterTestResult.cpp
  # Shots of these windows for orva-screenshot (pulled from the library by that program only).
  ${CMAKE_CURRENT_LIST_DIR}/ViewScreenshots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NetScreenshots.cpp
)
