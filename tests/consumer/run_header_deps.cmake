# Installs the library into a scratch prefix and preprocesses its headers with nothing but
# the prefix's include folder, to prove what a user's compiler reaches from them: no pugixml,
# {fmt} or TBB header from any of them, the XML wrappers included.
include(${CMAKE_CURRENT_LIST_DIR}/install_scratch.cmake)
set(include_dir ${WORK_DIR}/prefix/include)
file(GLOB_RECURSE headers RELATIVE ${include_dir} ${include_dir}/kx/*.hpp)
set(every "")
foreach(header IN LISTS headers)
  if(header MATCHES "/detail/")
    message(FATAL_ERROR "internal detail header ${header} was installed")
  endif()
  string(APPEND every "#include <${header}>\n")
endforeach()
file(WRITE ${WORK_DIR}/every.cpp "${every}")
file(WRITE ${WORK_DIR}/umbrella.cpp "#include <kx/kxevo.hpp>\n")

# Compiles Source; fails when it does not compile or when one of its dependencies (as the
# compiler lists them) matches Forbidden.
function(check_deps Source Forbidden)
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -MD -MF ${WORK_DIR}/${Source}.d
                          -I${include_dir} ${WORK_DIR}/${Source}
                  ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${Source} does not compile against the installed headers:\n${err}")
  endif()
  file(READ ${WORK_DIR}/${Source}.d deps)
  if(NOT deps MATCHES "kx/")
    message(FATAL_ERROR "${Source}: no library header in the dependencies:\n${deps}")
  endif()
  string(REGEX MATCH "[^ \n]*(${Forbidden})[^ \n]*" hit "${deps}")
  if(hit)
    message(FATAL_ERROR "${Source} reaches ${hit}")
  endif()
endfunction()

check_deps(every.cpp "pugixml|/tbb/|oneapi|/fmt/")
check_deps(umbrella.cpp "pugixml|/tbb/|oneapi|/fmt/")
