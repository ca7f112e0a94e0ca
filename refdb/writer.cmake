target_sources(torven_jetwriter PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/jet_text.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/jet_pages.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/jet_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csv_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csv_table.cpp
)
