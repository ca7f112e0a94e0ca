torven_test(refdb_reader_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ado_layer_test.cpp
  LIBS torven_refdb torven_jetwriter)
