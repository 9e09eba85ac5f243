# Runs one example and checks how it ended: exactly the exit status STATUS (a signal or an
# abort never matches), stdout matching OUTPUT and, for a failure, exactly one line on stderr
# matching ERROR.
#   cmake -DPROGRAM=exe -DARGS="a|b|c" -DSTATUS=n [-DOUTPUT=regex] [-DERROR=regex] -P run_example.cmake
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${PROGRAM} ${args} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status '${status}', expected ${STATUS}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED OUTPUT AND NOT out MATCHES "${OUTPUT}")
  message(FATAL_ERROR "stdout does not match '${OUTPUT}':\n${out}")
endif()
if(NOT STATUS EQUAL 0)
  if(NOT err MATCHES "^[^\n]+\n$")
    message(FATAL_ERROR "expected a one-line message on stderr, got:\n${err}")
  endif()
  if(DEFINED ERROR AND NOT err MATCHES "${ERROR}")
    message(FATAL_ERROR "stderr does not match '${ERROR}':\n${err}")
  endif()
endif()
