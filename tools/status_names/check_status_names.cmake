# Regenerates the status name table and fails unless it equals the committed one.
#   cmake -DGENERATOR=... -DHEADER=... -DOUTPUT=... -DCOMMITTED=... -P check_status_names.cmake
if(NOT EXISTS ${HEADER})
  message("no ntstatus.h here (${HEADER}): the committed table is not checked")
  return()
endif()
execute_process(COMMAND ${GENERATOR} ${HEADER} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the status name generator failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${COMMITTED} is not what the generator writes; regenerate it:\n  ${GENERATOR} ${HEADER} ${COMMITTED}")
endif()
