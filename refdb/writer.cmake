target_sources(torven_jetwriter PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/jet_writer_placeholder.cpp
)
