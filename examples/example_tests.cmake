# Every example runs with small settings, and bad command lines end with a message and the
# documented exit status (2: bad flag, 1: error of the library), never with a signal.
set(example_work ${CMAKE_CURRENT_BINARY_DIR}/test-work)
file(MAKE_DIRECTORY ${example_work})
# A document without a population, to continue from.
file(WRITE ${example_work}/empty.xml "<GeneticAlgorithm><Domain><GenoType Size=\"1024\"/></Domain></GeneticAlgorithm>\n")
file(WRITE ${example_work}/broken.xml "<GeneticProgram><Generation>")

# kx_example_test(name program status "arg|arg|..." [OUTPUT regex] [ERROR regex])
function(kx_example_test name program status args)
  cmake_parse_arguments(ARG "" "OUTPUT;ERROR" "" ${ARGN})
  set(checks "")
  if(DEFINED ARG_OUTPUT)
    list(APPEND checks "-DOUTPUT=${ARG_OUTPUT}")
  endif()
  if(DEFINED ARG_ERROR)
    list(APPEND checks "-DERROR=${ARG_ERROR}")
  endif()
  add_test(NAME example.${name}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> "-DARGS=${args}"
            -DSTATUS=${status} ${checks} -P ${CMAKE_CURRENT_SOURCE_DIR}/run_example.cmake
    WORKING_DIRECTORY ${example_work})
  set_tests_properties(example.${name} PROPERTIES LABELS examples)
endfunction()

set(best "best fitness = [-0-9.e]+\n$")
kx_example_test(custom_individual custom_individual 0 "--generations|3|--save|custom.xml"
                OUTPUT "saved to custom.xml\n.*${best}")
kx_example_test(ga_typed_genes ga_typed_genes 0 "--seed|2|--generations|3" OUTPUT "${best}")
kx_example_test(ga_onemax_save ga_onemax 0 "--generations|2|--save|onemax.xml" OUTPUT "${best}")
kx_example_test(ga_onemax_load ga_onemax 0 "--load|onemax.xml|--generations|2|--parallel|--threads|2"
                OUTPUT "loaded generation 2 with 500 individuals.*${best}")
kx_example_test(gp_symbolic_regression gp_symbolic_regression 0
                "--generations|1|--parallel|--threads|2|--save|quartic.xml" OUTPUT "${best}")
kx_example_test(gp_executor gp_executor 0 "quartic.xml" OUTPUT "${best}")
set_tests_properties(example.ga_onemax_save PROPERTIES FIXTURES_SETUP onemax_doc)
set_tests_properties(example.ga_onemax_load PROPERTIES FIXTURES_REQUIRED onemax_doc)
set_tests_properties(example.gp_symbolic_regression PROPERTIES FIXTURES_SETUP quartic_doc)
set_tests_properties(example.gp_executor PROPERTIES FIXTURES_REQUIRED quartic_doc)

kx_example_test(help ga_onemax 0 "--help" OUTPUT "Usage: ga_onemax.*--threads N")
foreach(case IN ITEMS
    "ga_onemax|--generations|abc" "ga_onemax|--generations|-1"
    "ga_onemax|--seed|99999999999999999999" "ga_onemax|--seed|-1"
    "ga_onemax|--parallel|--threads|0" "ga_onemax|--parallel|--threads|10000"
    "ga_onemax|--threads|2" "ga_onemax|--save" "ga_onemax|--save|no-such-folder/run.xml"
    "ga_onemax|--save|." "custom_individual|--parallel" "custom_individual|--load|x.xml"
    "ga_typed_genes|--threads|2" "gp_executor" "gp_executor|--seed|1|quartic.xml")
  string(REPLACE "|" ";" parts "${case}")
  list(POP_FRONT parts program)
  list(JOIN parts "|" args)
  string(MAKE_C_IDENTIFIER "${case}" id)
  kx_example_test(bad_flag.${id} ${program} 2 "${args}" ERROR "^${program}: ")
endforeach()
kx_example_test(missing_load ga_onemax 1 "--load|missing.xml" ERROR "missing.xml: .*No such file")
kx_example_test(empty_load ga_onemax 1 "--load|empty.xml" ERROR "empty.xml: it holds no population")
kx_example_test(broken_load gp_symbolic_regression 1 "--load|broken.xml" ERROR "broken.xml")
kx_example_test(broken_program gp_executor 1 "broken.xml" ERROR "broken.xml")

# Distributed runs print what the run on one process prints (the same seed and settings
# twice, another seed differently). Root may launch them (CI runs as root).
if(KX_HAVE_MPI)
  # kx_compare_test(name same "first|command" "second|command")
  function(kx_compare_test name same first second)
    add_test(NAME example.${name}
      COMMAND ${CMAKE_COMMAND} "-DFIRST=${first}" "-DSECOND=${second}" -DSAME=${same}
              -P ${CMAKE_CURRENT_SOURCE_DIR}/compare_runs.cmake
      WORKING_DIRECTORY ${example_work})
    set_tests_properties(example.${name} PROPERTIES LABELS "examples;mpi" TIMEOUT 300
                         ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
  endfunction()
  set(launch "${MPIEXEC_EXECUTABLE}|--oversubscribe|--allow-run-as-root|${MPIEXEC_NUMPROC_FLAG}")
  set(onemax "--seed|5|--generations|3")
  kx_compare_test(ga_onemax_mpi 1 "$<TARGET_FILE:ga_onemax>|${onemax}"
                  "${launch}|3|$<TARGET_FILE:ga_onemax>|--mpi|--eval-cost-us|20|${onemax}")
  set(islands "$<TARGET_FILE:gp_islands>|--generations|4|--migrate-every|2|--migrants|3")
  kx_compare_test(gp_islands_repeat 1 "${launch}|4|${islands}|--seed|3"
                  "${launch}|4|${islands}|--seed|3")
  kx_compare_test(gp_islands_seed 0 "${launch}|2|${islands}|--seed|3"
                  "${launch}|2|${islands}|--seed|4")
endif()
