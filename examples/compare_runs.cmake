# Runs two command lines and checks that both succeed and that their outputs are the same
# (SAME=1) or differ (SAME=0).
#   cmake -DFIRST="exe|a|b" -DSECOND="exe|c" -DSAME=1 -P compare_runs.cmake
foreach(run IN ITEMS FIRST SECOND)
  string(REPLACE "|" ";" command "${${run}}")
  execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out_${run}
                  ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${${run}}: exit status '${status}'\n${out_${run}}\n${err}")
  endif()
endforeach()
if(SAME AND NOT out_FIRST STREQUAL out_SECOND)
  message(FATAL_ERROR "outputs differ:\n${out_FIRST}\n---\n${out_SECOND}")
elseif(NOT SAME AND out_FIRST STREQUAL out_SECOND)
  message(FATAL_ERROR "outputs are the same:\n${out_FIRST}")
endif()
