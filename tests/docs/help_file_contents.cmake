# The help file beside the programs: a real manual, not an empty or truncated PDF.
# Run as: cmake -DPDF=... -DPDFTOTEXT=... -DPDFINFO=... -P help_file_contents.cmake

if(NOT EXISTS "${PDF}")
  message(FATAL_ERROR "the help file ${PDF} was not built")
endif()

execute_process(COMMAND "${PDFINFO}" "${PDF}" OUTPUT_VARIABLE info RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdfinfo cannot read ${PDF}")
endif()
string(REGEX MATCH "Pages: +([0-9]+)" _ "${info}")
set(pages "${CMAKE_MATCH_1}")
if(pages LESS 15)
  message(FATAL_ERROR "the help file has ${pages} pages; the manual needs more than a few")
endif()
if(NOT info MATCHES "Page size: +59[45](\\.[0-9]+)? x 84[12]")
  message(FATAL_ERROR "the help file's pages are not A4:\n${info}")
endif()

execute_process(COMMAND "${PDFTOTEXT}" "${PDF}" - OUTPUT_VARIABLE text RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pdftotext cannot read ${PDF}")
endif()
# Lines that the layout wrapped are joined again, so phrases can be found whole.
string(REGEX REPLACE "[ \n]+" " " text "${text}")

foreach(expected
    "Contents"
    "Preparing a sample workbook"
    "Choosing the worksheet"
    "Messages and what to do"
    "The results workbook"
    "Uncertainty TDI3"
    "The reference database"
    "NBSMasterTaxonList_PhaseII"
    "torven-cli assess"
    "No entries found in Taxon Code column"
    "Error: indeterminate data in row"
    "GNU General Public License"
    "Page 3 of ${pages}")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the help file lacks \"${expected}\"")
  endif()
endforeach()

# The contents page gives each chapter's page: the chapter on messages must be found on
# the page its entry names.
execute_process(COMMAND "${PDFTOTEXT}" -layout -f 2 -l 2 "${PDF}" - OUTPUT_VARIABLE contents)
if(NOT contents MATCHES "Messages and what to do +([0-9]+)")
  message(FATAL_ERROR "the contents page does not list the chapter on messages:\n${contents}")
endif()
set(page "${CMAKE_MATCH_1}")
execute_process(COMMAND "${PDFTOTEXT}" -f ${page} -l ${page} "${PDF}" - OUTPUT_VARIABLE onPage)
string(FIND "${onPage}" "Start-up" at)
if(at EQUAL -1)
  message(FATAL_ERROR "page ${page}, which the contents give for the messages, does not hold them")
endif()
