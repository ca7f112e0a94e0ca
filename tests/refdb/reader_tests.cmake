torven_test(refdb_reader_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ado_layer_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/mdb_row_decoder_test.cpp
  LIBS torven_refdb torven_jetwriter PkgConfig::MDB)
torven_test(refdb_app_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tvn_app_test.cpp
  LIBS torven_test_support torven_jetwriter)
torven_test(refdb_cli_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/refdb_cli_test.cpp
  LIBS torven_jetwriter)
add_dependencies(refdb_cli_test torven-cli refdb_data)
