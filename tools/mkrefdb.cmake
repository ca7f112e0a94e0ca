add_executable(torven-mkrefdb ${CMAKE_CURRENT_SOURCE_DIR}/mkrefdb/main.cpp)
target_link_libraries(torven-mkrefdb PRIVATE torven_jetwriter)
