# The time the package's files, the help file's dates and anything else that must not depend
# on when it was built take, in seconds since 1970 (SOURCE_DATE_EPOCH, as reproducible builds
# define it): the environment's when set, else the last commit's time, else the release date.
# Run at build time, so that a new commit is seen without configuring again:
#   cmake -DSOURCE=<source folder> -DOUTPUT=<file> -P SourceDate.cmake
# OUTPUT is rewritten only when the time changes, so that what depends on it is rebuilt then
# and only then.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_failed ERROR_QUIET)
    if(git_failed)
      set(epoch "")
    endif()
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 1796688000)  # 2026-12-08 00:00:00 UTC, the release date
endif()
file(WRITE ${OUTPUT}.new "${epoch}\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUTPUT}.new ${OUTPUT})
file(REMOVE ${OUTPUT}.new)
