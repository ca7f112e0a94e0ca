torven_test(jet_writer_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/jet_writer_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/mkrefdb_test.cpp
  LIBS torven_jetwriter PkgConfig::MDB
)
add_dependencies(jet_writer_tests torven-mkrefdb)
