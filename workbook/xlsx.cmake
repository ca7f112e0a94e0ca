target_sources(torven_xlsx PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_writer.cpp
)
