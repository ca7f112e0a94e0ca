add_executable(mkrefdb_bench ${CMAKE_CURRENT_SOURCE_DIR}/mkrefdb_bench.cpp)
target_link_libraries(mkrefdb_bench PRIVATE torven_jetwriter)
