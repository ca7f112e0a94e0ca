target_sources(torven_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/sample_import.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/worksheet_choice.cpp
)
