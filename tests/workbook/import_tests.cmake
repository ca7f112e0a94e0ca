# Sample workbooks written at test time by openpyxl and xlwt; the command-line tests use them too.
add_library(torven_import_fixture STATIC ${CMAKE_CURRENT_SOURCE_DIR}/import_fixture.cpp)
target_link_libraries(torven_import_fixture PUBLIC torven_test_util torven_matrix)

torven_test(import_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/worksheet_choice_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/import_checks_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/import_data_test.cpp
  LIBS torven_test_support torven_import_fixture)
# The import's data tests write their reference database with torven-mkrefdb.
if(TARGET torven-mkrefdb)
  add_dependencies(import_tests torven-mkrefdb)
endif()
