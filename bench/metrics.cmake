add_executable(metrics_bench ${CMAKE_CURRENT_LIST_DIR}/metrics_bench.cpp)
target_link_libraries(metrics_bench PRIVATE torven_core)
