torven_test(xls_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/xls_reader_test.cpp
  LIBS torven_workbook)
