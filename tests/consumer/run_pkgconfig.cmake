# Installs the built library into a scratch prefix, then compiles and runs
# tests/consumer/app/main.cpp with nothing but what pkg-config says about kxevo.
include(${CMAKE_CURRENT_LIST_DIR}/install_scratch.cmake)
file(GLOB_RECURSE pc_files ${WORK_DIR}/prefix/kxevo.pc)
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND ${PKG_CONFIG} --static --cflags --libs kxevo
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "pkg-config does not know kxevo: ${rc}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
execute_process(COMMAND ${CXX} ${SOURCE_DIR}/tests/consumer/app/main.cpp -o ${WORK_DIR}/consumer ${flags}
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "build of the consumer through pkg-config failed: ${rc}")
endif()
execute_process(COMMAND ${WORK_DIR}/consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out
                WORKING_DIRECTORY ${WORK_DIR})
message(STATUS "${out}")
if(rc)
  message(FATAL_ERROR "consumer failed: ${rc}")
endif()
