# Tests of the view windows: the real windows headless (their picture is tested in tests/plot).
orva_add_test(orva_ui_view_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/QtTestEnvironment.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShowcellTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShowcellOptionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextexportWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StatexportWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MeasureWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactsWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QualityWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClusterTestChoicesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClusterTestWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewCommandsTest.cpp
  LIBRARIES orva_ui orva_demo Qt6::Test
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
set_target_properties(orva_ui_view_tests PROPERTIES AUTOMOC ON)
# GCC 12 at -O3 reports the moved std::optional<QString> in the scripted dialogs as maybe
# uninitialized (a known false positive).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(orva_ui_view_tests PRIVATE -Wno-maybe-uninitialized)
endif()
