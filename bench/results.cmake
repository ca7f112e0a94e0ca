# assess_bench: a 5,000-sample x 1,000-taxa river workbook imported, analysed and saved.
add_executable(assess_bench ${CMAKE_CURRENT_SOURCE_DIR}/assess_bench.cpp)
target_link_libraries(assess_bench PRIVATE torven_core)
