target_sources(torven_xls PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/compound_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/compound_file_writer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xls_records.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xls_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xls_writer.cpp
)
