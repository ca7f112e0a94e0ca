# The book/sheet layer and its .xlsx back end; fixtures are written at test time by
# openpyxl or built here with minizip.
torven_test(xlsx_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_fixtures.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_reader_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_writer_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/book_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_damaged_test.cpp
  LIBS torven_workbook torven_xlsx PkgConfig::MINIZIP)
