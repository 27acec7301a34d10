# Plays one example script through tessivra-run and compares what it prints with the output kept
# beside the examples, so that a change of behaviour shows up as a change of that file.
# Called with -DRUNNER=... -DSCRIPT=... -DEXPECTED=... -DACTUAL=...
execute_process(COMMAND ${RUNNER} ${SCRIPT} OUTPUT_FILE ${ACTUAL} ERROR_FILE ${ACTUAL}.err
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tessivra-run ${SCRIPT} exited with ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
                RESULT_VARIABLE differs)
if(differs)
  execute_process(COMMAND diff -u ${EXPECTED} ${ACTUAL})
  message(FATAL_ERROR "${SCRIPT} printed something other than ${EXPECTED}")
endif()
