# desktop_bench: the desktop program's start-up, and the worksheet dialog on a
# 5,000-sample x 1,000-taxa river workbook (first screen of the preview; OK to job form).
add_executable(desktop_bench ${CMAKE_CURRENT_SOURCE_DIR}/desktop_bench.cpp)
target_link_libraries(desktop_bench PRIVATE torven_ui)
