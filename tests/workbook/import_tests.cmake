torven_test(import_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/worksheet_choice_test.cpp
  LIBS torven_test_support)
