# Creates the demo's data database with its first records, once: an existing
# data database (with the user's own records) is left as it is.
if(NOT EXISTS "${DATA}")
  execute_process(COMMAND "${RUNTIME}" --sync "${RES}" RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "demo data database: synchronisation failed (${rc})")
  endif()
  execute_process(COMMAND sqlite3 -bail "${DATA}" ".read ${SEED}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "demo data database: seeding failed (${rc})")
  endif()
endif()
