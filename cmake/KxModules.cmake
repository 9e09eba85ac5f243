# Each module of the library is an OBJECT library, so that a module and its tests build
# without the modules above it; kx::evo gathers all of them into one library.

set(KX_WARNINGS -Wall -Wextra -Wpedantic)
if(KX_WERROR)
  list(APPEND KX_WARNINGS -Werror)
endif()

set(KX_SAN_FLAGS "")
if(KX_SANITIZE)
  set(KX_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
elseif(KX_TSAN)
  set(KX_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()

# kx_add_module(name DEPS mod... LIBS target... PRIVATE_LIBS target...)
# Sources are every .cpp in src/kx/<name>/. PRIVATE_LIBS are for the module's sources only:
# what links the module gets them to link, not their headers.
function(kx_add_module name)
  cmake_parse_arguments(ARG "" "" "DEPS;LIBS;PRIVATE_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/kx/${name}/*.cpp)
  if(NOT sources)
    # A module that has no sources yet still needs one translation unit.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/kx_${name}_empty.cpp)
    file(WRITE ${sources} "// module ${name} has no sources yet\n")
  endif()
  add_library(kx_${name} OBJECT ${sources})
  target_include_directories(kx_${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:include>)
  target_compile_options(kx_${name} PRIVATE ${KX_WARNINGS})
  target_compile_options(kx_${name} PUBLIC ${KX_SAN_FLAGS})
  target_link_options(kx_${name} PUBLIC ${KX_SAN_FLAGS})
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(kx_${name} PUBLIC kx_${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(kx_${name} PUBLIC ${ARG_LIBS})
  endif()
  if(ARG_PRIVATE_LIBS)
    target_link_libraries(kx_${name} PRIVATE ${ARG_PRIVATE_LIBS})
  endif()
  set_property(GLOBAL APPEND PROPERTY KX_MODULES ${name})
  set_property(GLOBAL PROPERTY KX_MODULE_DEPS_${name} ${ARG_DEPS})
endfunction()

# The modules a module needs, itself included, in dependency order.
function(kx_module_closure out name)
  set(result "")
  get_property(deps GLOBAL PROPERTY KX_MODULE_DEPS_${name})
  foreach(dep IN LISTS deps)
    kx_module_closure(sub ${dep})
    list(APPEND result ${sub})
  endforeach()
  list(APPEND result ${name})
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Links an executable with the objects of a module and of everything it needs.
function(kx_link_module target name)
  kx_module_closure(mods ${name})
  foreach(mod IN LISTS mods)
    target_link_libraries(${target} PRIVATE kx_${mod})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:kx_${mod}>)
  endforeach()
endfunction()
