# The .xlsx back end: a streaming reader (minizip for the container, expat for the XML)
# and a writer on libxlsxwriter.
target_sources(torven_xlsx PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_zip.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_xml.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_values.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_text_collector.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_package.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_shared_strings.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_sheet_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_reader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_output_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/xlsx_writer.cpp
)
