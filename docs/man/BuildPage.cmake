# Makes one manual page: the Markdown SOURCE with its @EXIT_STATUS@ filled in
# by EXIT_CODES (apps/ExitCodesTable.cpp) for PROGRAM, turned into roff by
# pandoc, gzipped into OUTPUT (PAGE.1.gz) beside the roff PAGE.1.
execute_process(COMMAND ${EXIT_CODES} ${PROGRAM} OUTPUT_VARIABLE codes RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${EXIT_CODES} ${PROGRAM} failed")
endif()
file(READ ${SOURCE} text)
string(REPLACE "@EXIT_STATUS@" "${codes}" text "${text}")
string(REGEX REPLACE "\\.md$" "" roff ${OUTPUT})
string(REGEX REPLACE "\\.gz$" "" roff ${roff})
file(WRITE ${roff}.md "${text}")
execute_process(COMMAND ${PANDOC} --standalone --from markdown --to man
                        --metadata "footer=erx-discover ${VERSION}" ${roff}.md -o ${roff}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "pandoc could not make ${roff}")
endif()
execute_process(COMMAND gzip -9 --no-name --to-stdout ${roff} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip could not compress ${roff}")
endif()
