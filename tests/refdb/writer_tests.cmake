torven_test(jet_writer_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/jet_writer_test.cpp
  LIBS torven_jetwriter PkgConfig::MDB
)
