target_sources(torven-cli PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/refdb_commands.cpp
)
