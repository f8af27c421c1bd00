# Runs the picture generator and fails unless its output equals the committed picture.
#   cmake -DGENERATOR=... -DOUTPUT=... -DCOMMITTED=... -P check_picture.cmake
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the picture generator failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${COMMITTED} is not what the generator writes; regenerate it:\n  ${GENERATOR} ${COMMITTED}")
endif()
