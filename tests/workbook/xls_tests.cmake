torven_test(xls_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/compound_file_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/xls_reader_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/xls_writer_test.cpp
  LIBS torven_workbook torven_xls)
