target_sources(torven-cli PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/cli_user.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/inspect_command.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/assess_command.cpp
)
