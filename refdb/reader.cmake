target_sources(torven_refdb PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/db_table.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ado_database.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ado_recordset.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/select_query.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/mdb_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/mdb_row_decoder.cpp
)
