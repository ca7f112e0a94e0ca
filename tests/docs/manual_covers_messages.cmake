# Every fixed message the program shows is explained in the user manual, so that a new
# message cannot be added without telling the user what it means and what to do.
# Run as: cmake -DSOURCE_DIR=... -P manual_covers_messages.cmake

file(READ "${SOURCE_DIR}/docs/manual.md" manual)
string(REGEX REPLACE "[ \n]+" " " manual "${manual}")

set(sources)
foreach(dir app metrics results workbook refdb cli ui)
  file(GLOB_RECURSE found "${SOURCE_DIR}/${dir}/*.cpp" "${SOURCE_DIR}/${dir}/*.h")
  list(APPEND sources ${found})
endforeach()

set(checked 0)
set(missing)
foreach(source IN LISTS sources)
  file(READ "${source}" code)
  # Messages passed to showMessage as a literal or through numtext::format, the named
  # message constants, and the import's layout errors, which are returned first.
  string(REGEX MATCHALL "showMessage\\([ \n]*\"[^\"]+\"" calls "${code}")
  string(REGEX MATCHALL "showMessage\\(numtext::format\\([ \n]*\"[^\"]+\"" formatted "${code}")
  string(REGEX MATCHALL "Message[A-Za-z]* = *\n? *\"[^\"]+\"" constants "${code}")
  string(REGEX MATCHALL "\"(Error: |Insufficient data)[^\"]+\"" layout "${code}")
  foreach(call IN LISTS calls formatted constants layout)
    string(REGEX MATCH "\"([^\"]+)\"$" _ "${call}")
    set(text "${CMAKE_MATCH_1}")
    # In the manual a line break of a message is a space, and a number filled in for
    # %d is any number; the text up to the first %d must be there as written.
    string(REPLACE "\\n" " " text "${text}")
    string(REGEX REPLACE "%[dsg].*$" "" text "${text}")
    string(STRIP "${text}" text)
    if(text STREQUAL "")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    string(FIND "${manual}" "${text}" at)
    if(at EQUAL -1)
      file(RELATIVE_PATH where "${SOURCE_DIR}" "${source}")
      list(APPEND missing "${where}: \"${text}\"")
    endif()
  endforeach()
endforeach()

if(checked LESS 10)
  message(FATAL_ERROR "only ${checked} messages found in the sources; has the code moved?")
endif()
if(missing)
  list(JOIN missing "\n  " list)
  message(FATAL_ERROR "messages not explained in docs/manual.md:\n  ${list}")
endif()
message(STATUS "${checked} messages, each explained in the manual")
