# torven-mkhelp as the build runs it: a picture that is not there is shown by its caption
# and does not fail the build; a manual that cannot be read fails and leaves the old PDF.
# Run as: cmake -DMKHELP=... -DWORK=... -DPDFTOTEXT=... -DPDFINFO=... -P help_file_builder.cmake

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/images")
file(WRITE "${WORK}/manual.md" [=[
# A small manual

Its first page.

![The window that is not there yet](images/not-taken-yet.png)

# A chapter

| Column | Meaning |
|---|---|
| EQR | observed over expected |

    torven-cli assess river.xlsx

# Another chapter

Text on a later page.
]=])

execute_process(COMMAND "${MKHELP}" -o "${WORK}/out.pdf" --images "${WORK}/images" "${WORK}/manual.md"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "a missing picture failed the build (${status}): ${errors}")
endif()
execute_process(COMMAND "${PDFINFO}" "${WORK}/out.pdf" OUTPUT_VARIABLE info)
if(NOT info MATCHES "Pages: +(3|4)\n")
  message(FATAL_ERROR "expected a title page, a contents page and a page per chapter:\n${info}")
endif()
execute_process(COMMAND "${PDFTOTEXT}" "${WORK}/out.pdf" - OUTPUT_VARIABLE text)
string(REGEX REPLACE "[ \n]+" " " text "${text}")
foreach(expected "[Picture: The window that is not there yet]" "observed over expected"
                 "torven-cli assess river.xlsx" "Page 1 of")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the PDF lacks \"${expected}\":\n${text}")
  endif()
endforeach()

# The contents beside it: each chapter with its page (title page 1, contents page 2).
file(READ "${WORK}/out.toc" contents)
if(NOT contents MATCHES "^1\t3\tA chapter\n1\t(3|4)\tAnother chapter\n$")
  message(FATAL_ERROR "the contents file is not as expected:\n${contents}")
endif()

# A manual that cannot be read: exit 1, and the PDF written before is left as it was.
file(READ "${WORK}/out.pdf" before HEX)
execute_process(COMMAND "${MKHELP}" -o "${WORK}/out.pdf" "${WORK}/no-such-manual.md"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT errors MATCHES "no-such-manual.md")
  message(FATAL_ERROR "an unreadable manual gave status ${status} and \"${errors}\"")
endif()
file(READ "${WORK}/out.pdf" after HEX)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "a failed run changed the PDF that was there")
endif()

# Usage errors: status 2.
execute_process(COMMAND "${MKHELP}" "${WORK}/manual.md" RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "a missing -o gave status ${status}, not 2")
endif()
