# Reading a generated .xlsx of 5 million number cells: time and peak memory.
add_executable(xlsx_read_bench ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_read_bench.cpp)
target_link_libraries(xlsx_read_bench PRIVATE torven_workbook PkgConfig::MINIZIP)
