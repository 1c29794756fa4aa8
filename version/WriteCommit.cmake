# Writes OUTPUT (version/Commit.h) with the commit SOURCE_DIR is checked out
# at; the file is rewritten only when that changes, so an unchanged tree
# rebuilds nothing. Run at every build, as commits happen without a configure.
set(commit "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(commit "")
  else()
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} diff-index --quiet HEAD --
                    RESULT_VARIABLE dirty ERROR_QUIET)
    if(dirty)
      string(APPEND commit "-dirty")
    endif()
  endif()
endif()
set(text "// Written by version/WriteCommit.cmake at build time.\nconst char kCommit[] = \"${commit}\";\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
