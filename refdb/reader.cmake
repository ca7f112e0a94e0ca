target_sources(torven_refdb PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/db_table.cpp
)
