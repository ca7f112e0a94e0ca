torven_test(refdb_reader_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ado_layer_test.cpp
  LIBS torven_refdb torven_jetwriter)
torven_test(refdb_app_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tvn_app_test.cpp
  LIBS torven_test_support torven_jetwriter)
