# Installs the library into a scratch prefix and preprocesses its headers with nothing but
# the prefix's include folder, to prove what a user's compiler reaches from them: no {fmt}
# or TBB header from any of them, and pugixml only from the XML wrappers (kx/xml).
include(${CMAKE_CURRENT_LIST_DIR}/install_scratch.cmake)
set(include_dir ${WORK_DIR}/prefix/include)
if(EXISTS ${include_dir}/kx/gp/detail)
  message(FATAL_ERROR "internal detail headers were installed")
endif()

file(GLOB_RECURSE headers RELATIVE ${include_dir} ${include_dir}/kx/*.hpp)
set(evolving "")
foreach(header IN LISTS headers)
  if(NOT header MATCHES "^kx/xml/" AND NOT header STREQUAL "kx/kxevo.hpp")
    string(APPEND evolving "#include <${header}>\n")
  endif()
endforeach()
file(WRITE ${WORK_DIR}/evolving.cpp "${evolving}")
file(WRITE ${WORK_DIR}/umbrella.cpp "#include <kx/kxevo.hpp>\n")

# Fails when a dependency of Source (as the compiler lists them) matches Forbidden.
function(check_deps Source Forbidden)
  execute_process(COMMAND ${CXX} -std=c++20 -M -I${include_dir} ${WORK_DIR}/${Source}
                  OUTPUT_VARIABLE deps ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${Source} does not compile against the installed headers:\n${err}")
  endif()
  if(NOT deps MATCHES "kx/")
    message(FATAL_ERROR "${Source}: no library header in the dependencies:\n${deps}")
  endif()
  string(REGEX MATCH "[^ \n]*(${Forbidden})[^ \n]*" hit "${deps}")
  if(hit)
    message(FATAL_ERROR "${Source} reaches ${hit}")
  endif()
endfunction()

check_deps(evolving.cpp "pugixml|/tbb/|oneapi|/fmt/")
check_deps(umbrella.cpp "/tbb/|oneapi|/fmt/")
